#pragma once

#include "Registry.h"

namespace corvane {

class WinRegistry final : public Registry
{
public:
    long openKey(qint32 root, const QString& subKey, quint32 options, quint32 access, Handle& key) override;
    long queryValue(Handle key, const QString& valueName, quint32& type, unsigned char* data,
                    quint32& size) override;
    long closeKey(Handle key) override;
};

} // namespace corvane
