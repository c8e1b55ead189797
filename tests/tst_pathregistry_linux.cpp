#include "PathRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

// Without a registry, System Info's tool is the first of the preferred ones that PATH holds: of the three
// here, hardinfo2.
class TestPathRegistry : public QObject
{
    Q_OBJECT

private slots:
    void toolOnPath()
    {
        QTemporaryDir dir;
        for (const char* name : {"xfce4-taskmanager", "hardinfo", "hardinfo2"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ExeOwner));
        }
        qputenv("PATH", dir.path().toLocal8Bit());
        PathRegistry lookup;
        Registry::Handle key = 0;
        QCOMPARE(lookup.openKey(Registry::localMachine, PathRegistry::toolKey, 0, 0, key), 0);
        char16_t data[512];
        quint32 type = 0, size = sizeof data;
        // A UTF-16 text value with its terminating zero, as the registry keeps one.
        const bool ok = lookup.queryValue(key, "PATH", type, reinterpret_cast<quint8*>(data), size) == 0;
        QCOMPARE(ok ? QString::number(type) + ' ' + QString::fromUtf16(data, size / 2) : "missing",
                 "1 " + dir.filePath("hardinfo2") + QChar(0));
    }
};

QTEST_GUILESS_MAIN(TestPathRegistry)
#include "tst_pathregistry_linux.moc"
