#include "PasswordList.h"

#include <sodium.h>

#include <algorithm>

namespace corvane {

namespace {

void wipe(std::vector<char16_t>& chars)
{
    sodium_memzero(chars.data(), chars.size() * sizeof(char16_t));
    chars.clear();
}

} // namespace

PasswordList::~PasswordList()
{
    wipe(m_chars);
}

int PasswordList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_published;
}

QModelIndex PasswordList::index(int row, int column, const QModelIndex& parent) const
{
    const bool inList = row >= 0 && row < m_published && column == 0 && !parent.isValid();
    return inList ? createIndex(row, column) : QModelIndex();
}

QVariant PasswordList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return entry(index.row());
}

QStringView PasswordList::view(qsizetype row) const
{
    const qsizetype begin = row == 0 ? 0 : m_ends[std::size_t(row - 1)];
    return QStringView(m_chars.data() + begin, m_ends[std::size_t(row)] - begin);
}

QString PasswordList::entry(qsizetype row) const
{
    return view(row).toString();
}

QString PasswordList::text() const
{
    static constexpr QStringView lineEnd = u"\r\n";
    QString text;
    if (m_published == 0)
        return text;
    text.reserve(m_ends[std::size_t(m_published - 1)] + m_published * lineEnd.size());
    for (qsizetype row = 0; row < m_published; ++row) {
        text += view(row);
        text += lineEnd;
    }
    return text;
}

void PasswordList::clear()
{
    const bool shown = m_published > 0;
    if (shown)
        beginResetModel();
    wipe(m_chars);
    m_ends.clear();
    m_published = 0;
    if (shown)
        endResetModel();
}

void PasswordList::append(QStringView entry)
{
    const std::size_t needed = m_chars.size() + std::size_t(entry.size());
    if (needed > m_chars.capacity()) {
        // Grown by hand: a vector's own growth would free the old buffer with the passwords still in it.
        std::vector<char16_t> grown;
        grown.reserve(std::max(needed, 2 * m_chars.capacity()));
        grown.assign(m_chars.cbegin(), m_chars.cend());
        wipe(m_chars);
        m_chars.swap(grown);
    }
    m_chars.insert(m_chars.end(), entry.utf16(), entry.utf16() + entry.size());
    m_ends.push_back(qsizetype(m_chars.size()));
}

void PasswordList::publish()
{
    if (size() == m_published)
        return;
    beginInsertRows({}, m_published, int(size()) - 1);
    m_published = int(size());
    endInsertRows();
}

} // namespace corvane
