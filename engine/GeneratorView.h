#pragma once

#include "CharClasses.h"

#include <QString>
#include <QStringView>

#include <array>

namespace corvane {

// What the engine reads from and writes to the window that drives it. The main window implements
// it; tests implement it as a recorder, so a whole Generate command runs without any widget.
class GeneratorView
{
public:
    virtual ~GeneratorView() = default;

    // The engine reads these for every password: references, so a read costs no reference count,
    // and the boxes in one call, since a call per box costs more than the rest of the reading.
    using ClassValues = std::array<int, classCount>; // each 0 cleared, 1 checked, 2 mixed
    virtual const ClassValues& classValues() const = 0;
    virtual const QString& specialSetText() const = 0;
    virtual const QString& extendedSetText() const = 0;
    virtual const QString& lengthText() const = 0;
    virtual QString countText() const = 0;

    // Copies the characters: a field that keeps its own buffer then takes each password of a batch
    // without an allocation or an atomic reference count.
    virtual void setPasswordText(QStringView password) = 0;
    virtual const QString& passwordText() const = 0;

    virtual void clearList() = 0;
    virtual void addListEntry(const QString& entry) = 0;

    virtual void showMessage(const QString& text) = 0;
    virtual void focusLengthSelectAll() = 0;
    virtual void focusCountSelectAll() = 0;
};

} // namespace corvane
