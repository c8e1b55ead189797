#pragma once

#include <QString>

#include <optional>

namespace corvane {

class GeneratorView;
class RandomSource;
struct GenerationState;

inline const QString msgEnterNumeric = QStringLiteral("You Must Enter a Numeric Value.");
inline const QString msgChooseOption = QStringLiteral("You Must Choose an option.");
inline const QString msgLengthRange = QStringLiteral("Must Enter a Numeric Value between 4 and 50");
inline const QString msgCountRange = QStringLiteral("Must Enter a Number of Passwords between 1 and 32767");

inline constexpr int minLength = 4;
inline constexpr int maxLength = 50;

// The generation engine: pool assembly, drawing, and the Generate command's batch run.
class modGen
{
public:
    modGen(GeneratorView& view, GenerationState& state, RandomSource& random)
        : m_view(view), m_state(state), m_random(random)
    {
    }

    // The Generate command: validate the length, empty the list, fill it with the requested count.
    void Generate();

    // Builds the pool and draws one password into the view; false when the request is refused.
    bool MakePassword();

    // Returns the password as the view now holds it.
    const QString& DrawPassword(const qint32& length);

private:
    void clearPool();

    static constexpr unsigned noPool = ~0u;

    GeneratorView& m_view;
    GenerationState& m_state;
    RandomSource& m_random;
    QString m_convertedText;
    std::optional<qint32> m_convertedLength;
    QString m_password; // the buffer every password is drawn into, wiped when a batch ends
    unsigned m_poolSelection = noPool; // the classes m_state.pool holds, a bit each
};

} // namespace corvane
