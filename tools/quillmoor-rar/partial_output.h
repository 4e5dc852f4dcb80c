#pragma once
// The archive being written, under its temporary name, until it is renamed into place: a
// pack ended early removes it rather than leave it beside the archive. Interrupted (SIGINT,
// SIGTERM, SIGHUP), the program then ends as the signal would end it; when a mapped input
// file is shortened meanwhile (SIGBUS on reading it), with a message and exit code 1.

#include <string>

namespace PartialOutput {

// From now on an early end removes `path`.
void RemoveOnEarlyEnd(const std::string& path);
// The file was renamed into place: nothing to remove any more.
void Done();

} // namespace PartialOutput
