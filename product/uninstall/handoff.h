// A running exe cannot delete its own file. When the uninstaller runs from
// the install folder, a copy of it waits for the original to end and then
// removes the original and the emptied folder. The copy runs from a fresh
// folder of its own in the temporary folder, which other users and programs
// of a lower integrity level cannot write to (no DLL can be planted beside
// it), and removes that folder when done.
#pragma once

#include <string>

namespace vx::uninstall {

inline constexpr char kFinishFlag[] = "/_finish";

// Starts the copy; false when it could not be started.
bool HandOffOwnRemoval(const std::string& ownPath, const std::string& folder);

// The copy's work: waits for the process behind `waitFor` (an inherited
// handle, as decimal text), deletes folder\Uninstall.exe and removes the
// folder. Returns the exit code.
int FinishOwnRemoval(const std::string& waitFor, const std::string& folder);

}  // namespace vx::uninstall
