// The demo installation of the four products, written through the platform
// layer into the machine in use.
#pragma once

#include <ostream>

// Existing files are kept. Raises ESetupError when a file cannot be written.
void InstallDemoProducts(std::ostream& log);
