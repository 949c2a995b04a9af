#pragma once

// Hands the developer tools to the game: the batch processor's and the stress tester's makers to the
// world, and the developer screens' makers to the user interface. Called once before the game starts.
void RegisterDeveloperTools();
