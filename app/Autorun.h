// Starting the program with Windows: the machine-wide Run key of the registry.
#pragma once

#include <string>

namespace skyloom {

// Writes the Run value `valueName` with `command` as its data, creating the Run key when it is missing.
// Raises ERegistryException "Failed to create key %s" when the key cannot be created or opened for writing, and
// "Failed to set data for '%s'" when the value cannot be written.
void AddToAutorun(const std::string& valueName, const std::string& command);

// Deletes the value from the Run key and then from the RunOnce key. Failures are ignored: a value that is not
// there, or cannot be removed, leaves nothing to report.
void RemoveFromAutorun(const std::string& valueName);

// Whether the Run key holds the value. A key that cannot be opened with full access counts as no registration.
bool IsInAutorun(const std::string& valueName);

} // namespace skyloom
