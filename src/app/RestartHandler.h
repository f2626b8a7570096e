#pragma once

#include <QObject>

// Lets the configuration popup restart the program after a save.
class RestartHandler : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    void restartApplication();
};
