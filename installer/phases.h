// The moments of an installation that the install benchmark breaks a silent
// install down by. The shipped installer links marks that do nothing; the
// benchmark's build links marks that note each moment with the time.
#pragma once

namespace vx::installer {

// name: a fixed text naming the moment just reached ("extracted", ...).
void MarkPhase(const char* name);

}  // namespace vx::installer
