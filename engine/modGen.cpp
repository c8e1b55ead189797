#include "modGen.h"

#include "CharClasses.h"
#include "GenerationState.h"
#include "GeneratorView.h"
#include "NumericText.h"
#include "RandomSource.h"

namespace corvane {

namespace {

// Equal texts, told apart cheaply when both are the same data, as a batch's reads always are.
bool sameText(const QString& a, const QString& b)
{
    return a.isNull() == b.isNull() && a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

} // namespace

bool modGen::MakePassword()
{
    const QString& special = m_view.specialSetText();
    const QString& extended = m_view.extendedSetText();
    const GeneratorView::ClassValues& values = m_view.classValues();
    // A batch asks for the same pool for every password: it is built again only when the ticked
    // classes or the two sets differ from those it was built from.
    bool anySelected = false;
    unsigned selection = 0;
    for (int i = 0; i < classCount; ++i) {
        anySelected = anySelected || values[i] != 0;
        selection |= values[i] > 0 ? 1u << i : 0u;
    }
    const bool sameSpecial = sameText(special, m_state.specialSet);
    const bool sameExtended = sameText(extended, m_state.extendedSet);
    const bool samePool = m_poolSelection == selection && sameSpecial && sameExtended;
    // An equal text is kept rather than assigned: an assignment costs two atomic reference counts.
    if (!sameSpecial)
        m_state.specialSet = special;
    if (!sameExtended)
        m_state.extendedSet = extended;

    if (m_view.lengthText().isEmpty()) {
        clearPool();
        m_view.showMessage(msgEnterNumeric);
        return false;
    }
    if (!anySelected) {
        clearPool();
        m_view.showMessage(msgChooseOption);
        return false;
    }
    if (!samePool) {
        // Emptied, not released: the buffer is reused when the pool is built again.
        m_state.pool.resize(0);
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
        m_poolSelection = selection;
    }
    // Only reachable when the set fields are emptied: drawing from nothing would never finish.
    if (m_state.pool.isEmpty()) {
        m_view.showMessage(msgChooseOption);
        return false;
    }

    // A batch converts the same text for every password; the conversion is the costly part of it.
    if (!sameText(m_state.lengthText, m_convertedText)) {
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

void modGen::clearPool()
{
    m_state.pool.resize(0);
    m_poolSelection = noPool;
}

const QString& modGen::DrawPassword(const qint32& length)
{
    m_random.reseed();
    // One buffer serves every password: a string of its own for each costs an allocation and, when
    // it is let go, an atomic reference count, which together outweigh drawing its characters.
    const QString& pool = m_state.pool;
    m_password.resize(length > 0 && !pool.isEmpty() ? length : 0);
    if (!m_password.isEmpty())
        m_random.pick(pool, m_password);
    m_view.setPasswordText(m_password);
    return m_view.passwordText();
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
    m_password.fill(QChar());
}

} // namespace corvane
