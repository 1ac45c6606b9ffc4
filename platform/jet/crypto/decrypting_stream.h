// A read-only FILE* over an encrypted database file that answers the plain pages: what libmdb
// reads through, so that no decrypted copy of the file exists outside memory.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/jet/crypto/office_key.h"

// Wraps the open descriptor `fd` (taken over: closed with the stream) of a file of `size` bytes.
// Page 0 passes through as stored; every other page goes through `cipher`. nullptr (and fd closed)
// when the stream cannot be made.
std::FILE* decrypting_stream_open(int fd, std::uint64_t size, std::unique_ptr<office_page_cipher> cipher);
