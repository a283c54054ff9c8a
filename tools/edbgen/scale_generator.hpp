#pragma once
// --scale N: a deterministic store of N messages over several mailboxes and folders.
// Message i is made from i alone, written and forgotten, so memory does not grow with N.
#include <nlohmann/json.hpp>

#include "edbgen/exchange_store.hpp"
#include "edbgen/manifest_build.hpp"

namespace edbgen {

struct ScaleShape {
  size_t mailboxes = 0;
  size_t folders_per_mailbox = 0;  // leaf and inner folders alike receive messages
};

ScaleShape scale_shape(uint64_t messages);

// The mailboxes (or, public, the public folders) of a scale store, without messages.
Scenario scale_tree(uint64_t messages, bool is_public);

// Message i of a scale store placed in folder `folder_class` (identifiers included).
Message scale_message(uint64_t i, const std::string& folder_class, uint64_t first_counter);

struct ScalePlacement {
  size_t mailbox = 0;
  size_t folder = 0;  // pre-order index into the mailbox's template folders
};

// Where message i goes. By default messages go round the mailboxes, then round each
// mailbox's folders. With `big_mailbox_percent` P (1..99), P% go to the first mailbox,
// three quarters of those to its first folder; the rest spread over the other mailboxes.
ScalePlacement scale_placement(uint64_t i, size_t mailboxes, size_t folders, unsigned big_mailbox_percent);

// Writes the whole store through `filler`; returns the manifest: the tree, each folder's
// row count and the first rows of each list ("rows_complete": false).
nlohmann::json write_scale_store(StoreFiller& filler, const ManifestHeader& header, uint64_t messages,
                                 unsigned big_mailbox_percent = 0);

}  // namespace edbgen
