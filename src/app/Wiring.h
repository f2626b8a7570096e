#pragma once

class QObject;

// The one place where components are joined. main() and the integration tests
// call these, so the tests exercise the connections the program really makes.
namespace wiring {

// Creates the backend controller for a TEF product (0, 1 or 2); nullptr otherwise.
QObject *createBackend(int produtoTef);

// The backend's connections to itself: finished/started, the notice check box, the NSU.
void connectBackend(QObject *backend);

} // namespace wiring
