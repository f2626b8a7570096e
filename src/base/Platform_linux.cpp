#include "base/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

QString libraryFileName(ClosedLibrary lib)
{
    switch (lib) {
    case ClosedLibrary::Z3Tef:
        return QStringLiteral("Z3_Tef01.so");
    case ClosedLibrary::Vitra:
        return QStringLiteral("Z3_Vitra01.so");
    case ClosedLibrary::Impressora:
        return QStringLiteral("Z3_Impressora01.so");
    case ClosedLibrary::Updater:
        return QStringLiteral("Z3_Updater.so");
    case ClosedLibrary::Bridge:
        return QStringLiteral("Z3_Bridge01.so");
    case ClosedLibrary::Vantor:
        return QStringLiteral("APITEFVarda.so");
    }
    return QString();
}

QString libraryPath(ClosedLibrary lib)
{
    const QString override = qEnvironmentVariable("Z3_LIB_DIR");
    if (!override.isEmpty())
        return override + QLatin1Char('/') + libraryFileName(lib);
    switch (lib) {
    case ClosedLibrary::Bridge:
        return libraryFileName(lib); // the system's library search
    case ClosedLibrary::Vantor:
        return QStringLiteral("/opt/APITEFVarda/BIN/") + libraryFileName(lib);
    default:
        return QStringLiteral("./") + libraryFileName(lib);
    }
}

QString defaultRequestFolder()
{
    return QDir::homePath() + QStringLiteral("/Cliente/Req");
}

QString defaultResponseFolder()
{
    return QDir::homePath() + QStringLiteral("/Cliente/Resp");
}

int startDetached(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return 0;
    if (error)
        *error = process.errorString();
    // QProcess::ProcessError starts at 0 (FailedToStart); keep 0 for success.
    return static_cast<int>(process.error()) + 1;
}

bool installedByPackage()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()) == QStringLiteral(Z3_INSTALL_DIR);
}

QString installerSuffix()
{
    // A portable copy runs a shell script (it needs its execute bit); the packaged one takes a package.
    return installedByPackage() ? QStringLiteral(".deb") : QStringLiteral(".sh");
}

int installPackage(const QString &package, QString *reason)
{
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty()) {
        *reason = QStringLiteral("pkexec não encontrado");
        return 127;
    }
    QProcess processo;
    processo.setProcessChannelMode(QProcess::MergedChannels);
    // Kept settings (the autostart entry is one) are never asked about: nobody is at a terminal. Nor is
    // any other package removed to make room: such an update is left to a person.
    processo.start(pkexec, {QStringLiteral("/usr/bin/apt-get"), QStringLiteral("install"), QStringLiteral("-y"),
                            QStringLiteral("--no-remove"), QStringLiteral("--no-install-recommends"),
                            QStringLiteral("-o"), QStringLiteral("Dpkg::Options::=--force-confdef"),
                            QStringLiteral("-o"), QStringLiteral("Dpkg::Options::=--force-confold"), package});
    // The administrator may take a while to answer the consent dialog.
    constexpr int prazoMs = 15 * 60 * 1000;
    if (!processo.waitForStarted() || !processo.waitForFinished(prazoMs)) {
        *reason = processo.errorString();
        processo.kill();
        processo.waitForFinished();
        return 127;
    }
    const int codigo = processo.exitStatus() == QProcess::NormalExit ? processo.exitCode() : 127;
    if (codigo == 126)
        *reason = QStringLiteral("autorização do administrador recusada");
    else if (codigo == 127)
        *reason = QStringLiteral("administrador não autorizado");
    else if (codigo != 0)
        *reason = QStringLiteral("apt-get terminou com código %1: %2")
                      .arg(codigo)
                      .arg(QString::fromLocal8Bit(processo.readAll()).trimmed().right(300));
    return codigo;
}

QString updaterSystem()
{
    return QStringLiteral("linux");
}

bool needsOffscreenFallback()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The folder entry of a renamed or created file reaches the disk only with the folder's own sync.
void syncFolderOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool createFreshFile(QFile &file, QString *error, bool ownerOnly)
{
    const QByteArray name = QFile::encodeName(file.fileName());
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        if (error)
            *error = systemError();
        return false;
    }
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, ownerOnly ? 0600 : 0644);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool openOwnerOnly(QFile &file, QIODevice::OpenMode mode, QString *error)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode & QIODevice::Append ? O_APPEND : 0) |
                      (mode & QIODevice::Truncate ? O_TRUNC : 0);
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, 0600);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool makePrivateFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    QDir().mkpath(info.absolutePath());
    // Made in one step with its mode: never readable by others, not even for an instant.
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return QFileInfo(path).isDir();
}

bool writeAndSync(QFile &file, const QByteArray &content, QString *error)
{
    bool ok = file.write(content) == content.size() && file.flush();
    if (!ok && error)
        *error = file.errorString();
    if (ok && ::fdatasync(file.handle()) != 0) {
        ok = false;
        if (error)
            *error = systemError();
    }
    file.close();
    if (ok && file.error() != QFileDevice::NoError) {
        ok = false;
        if (error)
            *error = file.errorString();
    }
    return ok;
}

int lockFileExclusive(const QString &path)
{
    // Read-only is enough for the lock, so a file another user created still
    // works; it is created only when missing (a shared /tmp may refuse O_CREAT
    // on another user's file).
    const QByteArray nome = QFile::encodeName(path);
    int fd = ::open(nome.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(nome.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void unlockFile(int handle)
{
    ::flock(handle, LOCK_UN);
    ::close(handle);
}

qint64 lockHolder(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return -1;
    // "1: FLOCK  ADVISORY  WRITE 4242 fe:00:10952760 0 EOF"; a waiter's line has "->" after the number.
    // Some file systems show another device number through stat than in this list: the inode
    // alone is taken when no line names both.
    const QByteArray dispositivo = QByteArray::number(major(info.st_dev), 16).rightJustified(2, '0') + ':' +
                                   QByteArray::number(minor(info.st_dev), 16).rightJustified(2, '0');
    const QByteArray inode = ':' + QByteArray::number(static_cast<qulonglong>(info.st_ino));
    qint64 soInode = 0;
    const QList<QByteArray> linhas = locks.readAll().split('\n');
    for (const QByteArray &linha : linhas) {
        const QList<QByteArray> campos = linha.simplified().split(' ');
        if (campos.size() < 6 || campos.at(1) != "FLOCK" || !campos.at(5).endsWith(inode))
            continue;
        if (campos.at(5) == dispositivo + inode)
            return campos.at(4).toLongLong();
        soInode = campos.at(4).toLongLong();
    }
    return soInode;
}

bool appendAndSync(QFile &file, const QByteArray &content, QString *error)
{
    if (file.write(content) != content.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (::fdatasync(file.handle()) != 0) {
        if (error)
            *error = systemError();
        return false;
    }
    return true;
}

bool replaceFile(const QString &source, const QString &target, bool durable, QString *error)
{
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (durable)
        syncFolderOf(target);
    return true;
}

QByteArray folderIdentity(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QByteArray();
    return QByteArray::number(static_cast<qulonglong>(info.st_dev)) + ':' +
           QByteArray::number(static_cast<qulonglong>(info.st_ino));
}

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int sinal)
{
    const char byte = static_cast<char>(sinal);
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}
} // namespace

void onTerminationSignals(std::function<void(const QString &sinal)> aoSinal)
{
    if (signalPipe[0] != -1 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    // Only async-signal-safe work in the handler: the signal's number down a socket, read by the event loop.
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [aoSinal = std::move(aoSinal)] {
        char byte = 0;
        if (::read(signalPipe[1], &byte, 1) != 1)
            return;
        const int sinal = static_cast<unsigned char>(byte);
        aoSinal(sinal == SIGTERM  ? QStringLiteral("SIGTERM")
                : sinal == SIGINT ? QStringLiteral("SIGINT")
                                  : QStringLiteral("SIGHUP"));
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

bool openRegularFileForReading(QFile &file, QString *error)
{
    const QByteArray caminho = QFile::encodeName(file.fileName());
    const int fd = ::open(caminho.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error =
                errno == ELOOP ? QStringLiteral("É um link simbólico") : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = QStringLiteral("Não é um arquivo regular");
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

EstadoFila estadoFilaImpressao(const QString &nome)
{
    // The print system's client library, the one Qt's print support uses, asked
    // directly: loaded at run time so the build needs no print-system headers.
    struct Opcao
    {
        char *name, *value;
    };
    struct Destino
    {
        char *name, *instance;
        int isDefault, numOptions;
        Opcao *options;
    };
    using GetNamedDest = Destino *(*)(void *http, const char *name, const char *instance);
    using GetOption = const char *(*)(const char *name, int numOptions, Opcao *options);
    using FreeDests = void (*)(int numDests, Destino *dests);

    EstadoFila estado;
    QLibrary cups(QStringLiteral("cups"), 2);
    const auto getNamedDest = reinterpret_cast<GetNamedDest>(cups.resolve("cupsGetNamedDest"));
    const auto getOption = reinterpret_cast<GetOption>(cups.resolve("cupsGetOption"));
    const auto freeDests = reinterpret_cast<FreeDests>(cups.resolve("cupsFreeDests"));
    if (!getNamedDest || !getOption || !freeDests || nome.isEmpty())
        return estado;
    Destino *d = getNamedDest(nullptr, nome.toUtf8().constData(), nullptr);
    if (!d)
        return estado;
    estado.conhecida = QString::fromUtf8(d->name) == nome;
    const char *aceita = getOption("printer-is-accepting-jobs", d->numOptions, d->options);
    const char *situacao = getOption("printer-state", d->numOptions, d->options);
    estado.aceitaTrabalhos = aceita && qstrcmp(aceita, "true") == 0;
    estado.parada = situacao && qstrcmp(situacao, "5") == 0; // IPP "stopped"
    freeDests(1, d);
    return estado;
}

bool localPeerCredentials(qintptr socketDescriptor, PeerCredentials *peer)
{
    struct ucred credenciais = {};
    socklen_t tamanho = sizeof credenciais;
    if (socketDescriptor < 0 ||
        ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credenciais, &tamanho) != 0 ||
        tamanho != sizeof credenciais)
        return false;
    peer->pid = credenciais.pid;
    peer->uid = credenciais.uid;
    return true;
}

qint64 currentUserId()
{
    return ::geteuid();
}

} // namespace platform
