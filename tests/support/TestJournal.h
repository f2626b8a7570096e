#pragma once

namespace testsupport {

// Removes the transaction journal beside the application folder's configuration,
// so that a new Z3_Tef controller recovers nothing a previous test left; always true.
bool removeJournal();

} // namespace testsupport
