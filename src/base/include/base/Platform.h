#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>

class QFile;

// What differs by operating system: where the vendor libraries are, default
// folders, starting processes, signals, opening exchange files. Qt Core only;
// what needs the window system is in PlatformGui.h.
namespace platform {

enum class ClosedLibrary { Z3Tef, Vitra, Impressora, Updater, Bridge, Vantor };

// The file name the library is loaded from. "Z3_LIB_DIR", when set and not
// empty, replaces the folder of every closed library (simulators, tests).
QString libraryPath(ClosedLibrary lib);
// The file name alone, e.g. "Z3_Tef01.so".
QString libraryFileName(ClosedLibrary lib);

QString defaultRequestFolder();
QString defaultResponseFolder();

// Starts a detached process; returns 0 on success, otherwise an error code
// (and, when asked, the reason in words).
int startDetached(const QString &program, const QStringList &arguments = {}, QString *error = nullptr);

// Whether this copy is the one the system's package installed (under
// Z3_INSTALL_DIR): a new version then comes as a package, installed by the
// system's package tools, and the program's own folder is not ours to write.
bool installedByPackage();
// How the downloaded installer's file name ends: the updater names it
// "<program>-v<version>" followed by this (".deb" for a packaged copy).
QString installerSuffix();
// Installs a downloaded package with the administrator's consent (pkexec,
// found in PATH, running apt-get) and waits for it; 0 when installed,
// otherwise the tool's exit code (126/127: consent refused or not given),
// with the reason in words.
int installPackage(const QString &package, QString *reason);
// The system the updater library is asked for installers of.
QString updaterSystem();

// True when no display server is reachable and no platform plugin was chosen:
// the program then runs offscreen instead of aborting.
bool needsOffscreenFallback();

// Creates the file anew for writing: whatever sits at that name (a file, or a
// link that would lead the write elsewhere) is removed first, and the name is
// created exclusively without following links. False with the reason otherwise.
// `ownerOnly`: readable by this user alone (the program's own records).
bool createFreshFile(QFile &file, QString *error, bool ownerOnly = false);

// Opens the file for writing (`mode`: WriteOnly with Append or Truncate),
// creating a missing one readable by this user alone; an existing file keeps
// its permissions. False with the reason otherwise.
bool openOwnerOnly(QFile &file, QIODevice::OpenMode mode, QString *error = nullptr);

// Makes the folder and its missing parents; the folder itself, when made
// here, is this user's alone. False when it is not a folder afterwards.
bool makePrivateFolder(const QString &path);

// Writes everything, pushes it to the disk (data and, for a new name, the
// folder entry) and closes; false with the reason when any step failed.
bool writeAndSync(QFile &file, const QByteArray &content, QString *error);

// Takes an exclusive lock on the file (created when missing, never through a
// link) without waiting; its handle, or -1 when another process holds it or
// the file cannot be opened. The lock ends with unlockFile or the process.
int lockFileExclusive(const QString &path);
void unlockFile(int handle);
// Who holds lockFileExclusive's lock on the file, as the system lists it,
// without opening or locking anything: its process id, 0 when nobody holds
// it (or the file is missing), -1 when the system cannot be asked.
qint64 lockHolder(const QString &path);

// Writes everything at the end of the open file and pushes it to the disk,
// keeping the file open; false with the reason when any step failed.
bool appendAndSync(QFile &file, const QByteArray &content, QString *error);

// Replaces `target` by `source` in one step, without a copy fallback; with
// `durable`, the new folder entry is pushed to the disk as well.
bool replaceFile(const QString &source, const QString &target, bool durable, QString *error);

// What tells a folder apart from another one later created under the same
// path (device and inode); empty when the path is not a folder.
QByteArray folderIdentity(const QString &path);

// Calls `aoSinal` in the event loop, with the signal's name, on SIGTERM,
// SIGINT and SIGHUP (a session logout, a service stop, a closed terminal), so
// the program leaves the way it leaves from its own menu.
void onTerminationSignals(std::function<void(const QString &sinal)> aoSinal);

// Opens a request file for reading only when it is a plain file reached
// without a symbolic link: a link planted under the request name must never
// make the program read (and log, and act on) a file outside the exchange
// folders. Never blocks on a pipe. False with the reason otherwise.
bool openRegularFileForReading(QFile &file, QString *error);

// What the print system itself says of a printer queue, beyond what Qt shows:
// a queue that refuses jobs or is stopped would swallow a job that Qt still
// reports as printed. `conhecida` is false when the print system could not be
// asked or does not know the queue; the other fields are then meaningless.
struct EstadoFila
{
    bool conhecida = false;
    bool aceitaTrabalhos = false;
    bool parada = false;
};
EstadoFila estadoFilaImpressao(const QString &nome);

// Who is at the other end of a connected local socket, as the system vouches
// for it (not what the peer says of itself). False when it cannot be told.
struct PeerCredentials
{
    qint64 pid = -1;
    qint64 uid = -1;
};
bool localPeerCredentials(qintptr socketDescriptor, PeerCredentials *peer);
// The user this process runs as.
qint64 currentUserId();

} // namespace platform
