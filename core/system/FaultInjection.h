#pragma once
// A test hook of the services layer: after a given number of changes to
// files and to the registry, every further change fails, as if the process
// had been killed there. What was written before stays; a test then looks
// at what a fresh start finds. The portable services count every file
// write, copy, move and delete and every registry write and delete.

namespace fault_injection {

// -1 (the default) never fails.
void FailChangesAfter(int count);
// Counts one change; false when it must fail.
bool AllowChange();
// Changes counted since the last FailChangesAfter.
int ChangesCounted();

} // namespace fault_injection
