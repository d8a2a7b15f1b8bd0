// Snapshots: a read message written whole into one self-checking binary file (format in README.md,
// "Snapshots"), so that a host without the message readers (the Windows build) can give the add-in the
// same message the Linux store gave it.
#pragma once

#include <memory>
#include <string>

#include "host/store/Message.h"

namespace store {

constexpr unsigned kSnapshotVersion = 1;

// The finished message with its attachments and attached messages; not its store (storeNames).
std::string WriteSnapshot(const Message& message);
// Whether the bytes start with a snapshot's magic (damaged or not).
bool IsSnapshot(const std::string& bytes);
// The message of a snapshot, or null with the reason in error: a snapshot is taken whole or not at all.
std::shared_ptr<Message> ReadSnapshot(const std::string& bytes, std::string& error);

} // namespace store
