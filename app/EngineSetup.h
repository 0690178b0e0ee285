#pragma once
// The engine's process-wide state, set up once before the first table opens:
// the code-page translation tables, the expression engine's registries of
// constants and functions, the date helper, the list of open files (released
// at exit) and the dataset's alias list. Each is made on first use anyway;
// making them at start keeps that cost out of the first command. They live
// until the program ends. Calling it again does nothing.

namespace talvern {

void SetUpEngine();

}  // namespace talvern
