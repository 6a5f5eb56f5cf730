// What a second start gets when the application takes no hand-overs.
#pragma once

// Restores this process's first visible top-level window and brings it to
// the front; false when it has none.
bool bringFirstWindowToFront();
