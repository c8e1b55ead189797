#pragma once

#include "CharClasses.h"
#include "GeneratorView.h"
#include "RandomSource.h"

#include <QStringList>

#include <array>

namespace corvane::test {

// Stands in for the main window: holds the values the engine reads and records what it writes.
class RecorderView final : public GeneratorView
{
public:
    int classValue(int index) const override { return classes.at(static_cast<std::size_t>(index)); }
    QString specialSetText() const override { return special; }
    QString extendedSetText() const override { return extended; }
    QString lengthText() const override { return length; }
    QString countText() const override { return count; }
    void setPasswordText(const QString& value) override { password = value; }
    QString passwordText() const override { return password; }
    void clearList() override { list.clear(); }
    void addListEntry(const QString& entry) override { list.append(entry); }
    void showMessage(const QString& text) override { messages.append(text); }
    void focusLengthSelectAll() override { focus = QStringLiteral("txtChars"); }
    void focusCountSelectAll() override { focus = QStringLiteral("txtNumOf"); }

    std::array<int, 5> classes{1, 1, 1, 1, 0};
    QString special = specialCharacterSet();
    QString extended = extendedCharacterSet();
    QString length = QStringLiteral("30");
    QString count = QStringLiteral("5");
    QString password;
    QStringList list;
    QStringList messages;
    QString focus;
};

// Hands out a fixed sequence of draws (then zeros), so a test can name the exact password it expects.
class ScriptedRandom final : public RandomSource
{
public:
    std::uint32_t bounded(std::uint32_t n) override { return (draws.isEmpty() ? 0 : draws.takeFirst()) % n; }
    void reseed() override { ++reseeds; }

    QList<std::uint32_t> draws;
    int reseeds = 0;
};

} // namespace corvane::test
