#pragma once

#include <QObject>

class Encerramento;

// Lets the configuration popup restart the program after a save.
class RestartHandler : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The restart leaves by the program's one way out, which waits for a running operation.
    void usarEncerramento(Encerramento *encerramento) { m_encerramento = encerramento; }

public slots:
    void restartApplication();

private:
    Encerramento *m_encerramento = nullptr;
};
