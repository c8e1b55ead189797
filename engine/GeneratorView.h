#pragma once

#include <QString>

namespace corvane {

// What the engine reads from and writes to the window that drives it. The main window implements
// it; tests implement it as a recorder, so a whole Generate command runs without any widget.
class GeneratorView
{
public:
    virtual ~GeneratorView() = default;

    virtual int classValue(int index) const = 0; // 0 cleared, 1 checked, 2 mixed
    virtual QString specialSetText() const = 0;
    virtual QString extendedSetText() const = 0;
    virtual QString lengthText() const = 0;
    virtual QString countText() const = 0;

    virtual void setPasswordText(const QString& password) = 0;
    virtual QString passwordText() const = 0;

    virtual void clearList() = 0;
    virtual void addListEntry(const QString& entry) = 0;

    virtual void showMessage(const QString& text) = 0;
    virtual void focusLengthSelectAll() = 0;
    virtual void focusCountSelectAll() = 0;
};

} // namespace corvane
