#pragma once

#include "GeneratorView.h"
#include "RandomSource.h"

#include <QStringList>

#include <array>
#include <deque>

namespace corvane::test {

// Stands in for the main window: holds the values the engine reads and records what it writes.
class RecorderView final : public GeneratorView
{
public:
    int classValue(int index) const override { return classes[static_cast<std::size_t>(index)]; }
    QString specialSetText() const override { return special; }
    QString extendedSetText() const override { return extended; }
    QString lengthText() const override { return length; }
    QString countText() const override { return count; }
    void setPasswordText(const QString& value) override { password = value; }
    QString passwordText() const override { return password; }
    void clearList() override
    {
        list.clear();
        ++clears;
    }
    void addListEntry(const QString& entry) override { list.append(entry); }
    void showMessage(const QString& text) override { messages.append(text); }
    void focusLengthSelectAll() override { focus = QStringLiteral("txtChars"); }
    void focusCountSelectAll() override { focus = QStringLiteral("txtNumOf"); }

    std::array<int, 5> classes{1, 1, 1, 1, 0};
    QString special;
    QString extended;
    QString length = QStringLiteral("30");
    QString count = QStringLiteral("5");
    QString password;
    QStringList list;
    QStringList messages;
    QString focus;
    int clears = 0;
};

// Hands out a fixed sequence of draws, so a test can name the exact password it expects.
class ScriptedRandom final : public RandomSource
{
public:
    std::uint32_t bounded(std::uint32_t n) override
    {
        bounds.push_back(n);
        if (draws.empty())
            return 0;
        const std::uint32_t next = draws.front();
        draws.pop_front();
        return next % n;
    }
    void reseed() override { ++reseeds; }

    std::deque<std::uint32_t> draws;
    std::deque<std::uint32_t> bounds;
    int reseeds = 0;
};

} // namespace corvane::test
