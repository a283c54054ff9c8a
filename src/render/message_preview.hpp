#pragma once
// The preview of one message-list row: finds the message's record, writes its attachments,
// its body file, the header page and the frame page into a folder, and says what it wrote.
// It keeps no state between calls, so a worker thread can run it with its own stop token.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/pass_control.hpp"
#include "listing/message_list_row.hpp"
#include "render/attachment_files.hpp"
#include "render/body_readers.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::render {

struct PreviewField {
  std::string label;  // as the header page shows it, e.g. "E-Mail Addrees 1:"
  std::string value;
};

struct PreviewResult {
  std::string renderer;              // the item kind whose renderer ran ("mail", "contact", ...)
  std::vector<PreviewField> fields;  // the header page's rows, in page order
  BodySelection body;
  AttachmentSet attachments;
  std::filesystem::path header_page;  // empty for the 2010 note, which has none
  std::filesystem::path frame_page;   // the page to open (the 2010 note: its body file)
  bool stopped = false;
  std::vector<std::string> warnings;
};

// Thrown for a store generation without preview (2013).
class PreviewUnsupported : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Renders `row` into `folder` (which must exist). `body_texts` is the listing's cache of
// 2003/2007 plain bodies. The stop token is checked between attachments; progress is
// reported as attachments written of those found. Throws PreviewUnsupported for 2013
// stores, std::system_error when a page cannot be written.
PreviewResult preview_message(scan::ScanSession& session, decode::DecodeContext& ctx, const listing::MessageListRow& row,
                              const std::vector<std::pair<std::string, std::string>>& body_texts,
                              const std::filesystem::path& folder, const ese::PassControl& control = {});

}  // namespace quorvine::render
