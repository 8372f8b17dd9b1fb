#pragma once
#include <string>

// Writes the embedded host object (resource "AS400_OBJECT", 131, Japanese) to destination,
// straight from the loaded resource. 1 when the whole resource was written, 0 otherwise.
int ExtractHostObject(const std::string& destination);
