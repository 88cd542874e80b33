#include <gtest/gtest.h>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    // Every test runs headless, also when started by hand from a desktop session.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = "/tmp/kestrix-tests-runtime";
        QDir().mkpath(QString::fromLatin1(runtime));
        QFile::setPermissions(QString::fromLatin1(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
