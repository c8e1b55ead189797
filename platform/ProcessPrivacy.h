#pragma once

namespace corvane {

// Keeps the passwords in this process's memory from reaching the disk or other processes: no core
// dump on a crash, and no reading or attaching by other processes of the same user. Called first
// thing in main(). False when the system refused.
bool keepMemoryPrivate();

} // namespace corvane
