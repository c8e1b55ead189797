#include "modGen.h"

#include "CharClasses.h"
#include "GenerationState.h"
#include "GeneratorView.h"
#include "NumericText.h"
#include "RandomSource.h"

#include <algorithm>
#include <array>
#include <span>

namespace corvane {

bool modGen::MakePassword()
{
    // Emptied, not released: every password of a batch builds the same pool into the same buffer.
    m_state.pool.resize(0);
    m_state.specialSet = m_view.specialSetText();
    m_state.extendedSet = m_view.extendedSetText();

    if (m_view.lengthText().isEmpty()) {
        m_view.showMessage(msgEnterNumeric);
        return false;
    }

    int values[classCount];
    bool anySelected = false;
    for (int i = 0; i < classCount; ++i) {
        values[i] = m_view.classValue(i);
        anySelected = anySelected || values[i] != 0;
    }
    if (!anySelected) {
        m_view.showMessage(msgChooseOption);
        return false;
    }

    const auto& classes = charClasses();
    for (int i = 0; i < classCount; ++i) {
        if (values[i] <= 0)
            continue;
        if (i == 3)
            m_state.pool += m_state.specialSet;
        else if (i == 4)
            m_state.pool += m_state.extendedSet;
        else
            m_state.pool += classes[i].characters;
    }
    // Only reachable when the set fields are emptied: drawing from nothing would never finish.
    if (m_state.pool.isEmpty()) {
        m_view.showMessage(msgChooseOption);
        return false;
    }

    // A batch converts the same text for every password; the conversion is the costly part of it.
    if (m_state.lengthText != m_convertedText || m_state.lengthText.isNull() != m_convertedText.isNull()) {
        m_convertedText = m_state.lengthText;
        m_convertedLength = toInt32(m_convertedText);
    }
    if (!m_convertedLength) {
        m_view.showMessage(msgEnterNumeric);
        return false;
    }
    DrawPassword(*m_convertedLength);
    return true;
}

QString modGen::DrawPassword(const qint32& length)
{
    m_random.reseed();
    QString password;
    const QString& pool = m_state.pool;
    if (length > 0 && !pool.isEmpty()) {
        password.resize(length);
        const QChar* characters = pool.constData();
        const auto n = static_cast<std::uint32_t>(pool.size());
        // Positions in blocks, so the source is asked once per password of the usual lengths.
        std::array<std::uint32_t, maxLength> positions;
        QChar* slot = password.data();
        for (qint32 left = length; left > 0;) {
            const auto block = std::span(positions).first(std::min<std::size_t>(positions.size(), left));
            m_random.fill(n, block);
            for (const std::uint32_t position : block)
                *slot++ = characters[position];
            left -= static_cast<qint32>(block.size());
        }
    }
    m_view.setPasswordText(password);
    return password;
}

void modGen::Generate()
{
    m_state.lengthText = m_view.lengthText();

    // The range test is on the leading number; the rounded length must also convert and stay in
    // range, or "12abc" and 3.4 would slip through to a run-time failure or a 3-character password.
    const double value = leadingNumber(m_view.lengthText());
    const auto length = toInt32(m_state.lengthText);
    if (value <= 3 || value >= 51 || !length || *length < minLength || *length > maxLength) {
        m_view.showMessage(msgLengthRange);
        m_view.clearList();
        m_view.focusLengthSelectAll();
        return;
    }

    m_view.clearList();
    const auto count = toInt16(m_view.countText());
    if (!count) {
        m_view.showMessage(msgCountRange);
        m_view.focusCountSelectAll();
        return;
    }

    // A wider counter than the count itself, so a count of 32767 ends normally.
    for (int i = 1; i <= *count; ++i) {
        if (!MakePassword())
            break;
        m_view.addListEntry(m_view.passwordText());
    }
    m_random.release();
}

} // namespace corvane
