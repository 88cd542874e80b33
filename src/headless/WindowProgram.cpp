#include "headless/WindowProgram.h"

#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/NativeNames.h"
#include "platform/SystemError.h"

QByteArray WindowProgramPath() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return QByteArray();
    }
    QByteArray path(self, static_cast<int>(n));
    path.truncate(path.lastIndexOf('/') + 1);
    return path + "kestrix-fenetre";
}

void StartWindowProgram(const QByteArray& path, char** argv) {
    if (path.isEmpty()) {
        errno = ENOENT;
        return;
    }
    ::execv(path.constData(), argv);
}

int RefuseWithoutWindow(const QByteArray& path) {
    const int error = errno;
    const QString why = error == ENOENT
                            ? QStringLiteral("elle n'est pas installée (paquet kestrix)")
                            : QStringLiteral("elle n'a pas pu démarrer (") +
                                  SystemErrorMessage(error) + QLatin1Char(')');
    std::fprintf(stderr,
                 "Kestrix : la fenêtre de Kestrix (%s) manque, car %s. Sans elle, seule une "
                 "sauvegarde automatique est possible (kestrix /auto).\n",
                 path.constData(), why.toLocal8Bit().constData());
    return 2;
}
