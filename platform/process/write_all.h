#pragma once
// Writes all of `size` bytes to a file descriptor (a pipe to a child, say), going on after
// short writes and interrupted calls. False when the descriptor stopped taking them.
#include <cstddef>

bool WriteAll(int fd, const void* data, std::size_t size);
