#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringView>

#include <vector>

namespace corvane {

// The passwords of the main window's list, stored flat: one buffer holds the characters of every
// entry and a second where each one ends. A batch of 32767 passwords is then two arrays that grow
// once and are reused, instead of 32767 strings that each cost an allocation, a reference count
// and, when the next batch replaces them, a cache miss to free.
//
// Entries are added unannounced and shown when published, so a batch reaches the view as one
// insertion. The buffer is wiped when the list is emptied, when it grows and when it goes.
class PasswordList final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    ~PasswordList() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    // The view asks for every row's index as it lays a batch out; the base class's answer goes
    // through two more virtual calls.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Every entry, the unpublished ones too.
    qsizetype size() const { return qsizetype(m_ends.size()); }
    QString entry(qsizetype row) const;
    // Every entry shown, each followed by CR LF, the last one included; the empty list gives the
    // empty text.
    QString text() const;

    void clear();
    void append(QStringView entry);
    void publish();

private:
    QStringView view(qsizetype row) const;

    std::vector<char16_t> m_chars;
    std::vector<qsizetype> m_ends; // one past the last character of each entry
    int m_published = 0;
};

} // namespace corvane
