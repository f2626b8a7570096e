#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Stateless log writer. Every call reads "Z3_LOG" and "Z3_LOG_PATH" again and
// reopens both files, so a change of either, a new day or a moved log file
// takes effect on the next line without a restart.
class Log
{
public:
    enum class Nivel { Debug, Info, Warning, Error };

    void debug(const QString &msg) const { escrever(Nivel::Debug, msg); }
    void debug(const char *msg) const { escrever(Nivel::Debug, QString::fromUtf8(msg)); }
    void debug(const QStringList &msgs) const { escrever(Nivel::Debug, msgs.join(QStringLiteral(", "))); }
    void debug(const char *msg, int valor) const { escrever(Nivel::Debug, comNumero(msg, valor)); }

    void info(const QString &msg) const { escrever(Nivel::Info, msg); }
    void info(const char *msg) const { escrever(Nivel::Info, QString::fromUtf8(msg)); }
    void info(const QStringList &msgs) const { escrever(Nivel::Info, msgs.join(QStringLiteral(", "))); }
    void info(const char *msg, int valor) const { escrever(Nivel::Info, comNumero(msg, valor)); }

    void warning(const QString &msg) const { escrever(Nivel::Warning, msg); }
    void warning(const char *msg) const { escrever(Nivel::Warning, QString::fromUtf8(msg)); }
    void warning(const QStringList &msgs) const { escrever(Nivel::Warning, msgs.join(QStringLiteral(", "))); }
    void warning(const char *msg, int valor) const { escrever(Nivel::Warning, comNumero(msg, valor)); }

    void error(const QString &msg) const { escrever(Nivel::Error, msg); }
    void error(const char *msg) const { escrever(Nivel::Error, QString::fromUtf8(msg)); }
    void error(const QStringList &msgs) const { escrever(Nivel::Error, msgs.join(QStringLiteral(", "))); }
    void error(const char *msg, int valor) const { escrever(Nivel::Error, comNumero(msg, valor)); }

    // The whole line as it goes to the files, without the line feed.
    static QString formatarLinha(Nivel nivel, const QString &msg);
    // The local time the lines are stamped with, without asking the time-zone
    // files at every call (the offset from UTC is looked up once a minute).
    static QDateTime horaLocal();

    // Trace lines of the utility functions: Qt message output only, no file.
    static QString formatarTrace(QtMsgType tipo, const QString &origem, const QString &msg);
    static void trace(QtMsgType tipo, const QString &origem, const QString &msg);

    static constexpr qint64 tamanhoMaximo = 104857600;
    static QString nomeBackup() { return QStringLiteral("Z3_LOG.bkp"); }

private:
    static QString comNumero(const char *msg, int valor) { return QString::fromUtf8(msg) + QString::number(valor); }
    static void escrever(Nivel nivel, const QString &msg);
};
