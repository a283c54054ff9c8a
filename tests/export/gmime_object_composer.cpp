// The composer as it was built on GMime's object model (a message, its parts, header and
// address lists): the reference the direct writer is held against.
#include "gmime_object_composer.hpp"

#include <gmime/gmime.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "export/base64.hpp"
#include "gmime_streams.hpp"
#include "export/mail_addresses.hpp"
#include "export/mail_dates.hpp"
#include "export/mime_parts.hpp"
#include "export/transport_headers.hpp"

namespace quorvine::exporting {
namespace {

GPtr<GMimeObject> text_part(const char* subtype, const std::optional<std::string>& text) {
  GPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype(subtype));
  const std::string_view bytes = text ? std::string_view(*text) : std::string_view();
  GPtr<GMimeStream> stream(bytes.empty() ? g_mime_stream_mem_new()
                                          : g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(GMIME_PART(part.get()), content.get());
  g_mime_text_part_set_charset(part.get(), "utf-8");
  g_mime_part_set_content_encoding(GMIME_PART(part.get()), text_encoding(bytes));
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

GPtr<GMimeObject> body(const CompositionRecord& record) {
  if (record.body_kind == "html") return text_part("html", record.body);
  GPtr<GMimeObject> text = text_part("plain", record.body);
  if (!record.html_body) return text;
  GPtr<GMimeMultipart> alternative(g_mime_multipart_new_with_subtype("alternative"));
  g_mime_multipart_set_boundary(alternative.get(), boundary_for(record, 1).c_str());
  g_mime_multipart_add(alternative.get(), text.get());
  g_mime_multipart_add(alternative.get(), text_part("html", record.html_body).get());
  return GPtr<GMimeObject>(GMIME_OBJECT(alternative.release()));
}

// A sender known by name alone becomes an empty group (RFC 6854), so the name is kept and
// no address is made up.
void add_addresses(GMimeMessage* message, GMimeAddressType type, const std::vector<MailAddress>& addresses) {
  InternetAddressList* list = g_mime_message_get_addresses(message, type);
  for (const MailAddress& address : addresses) {
    if (address.address.empty() && address.name.empty()) continue;
    GPtr<InternetAddress> entry(address.address.empty()
                                    ? internet_address_group_new(address.name.c_str())
                                    : internet_address_mailbox_new(address.name.c_str(), address.address.c_str()));
    internet_address_set_charset(entry.get(), "UTF-8");
    internet_address_list_add(list, entry.get());
  }
}

// Writes to `out` through GMime; an exception of `out` ends the message (rethrown here).
class GMimeOutput {
 public:
  GMimeOutput(ese::ByteSink& out, LineEnds line_ends)
      : stream_(sink_stream_new(out, failure_)), options_(g_mime_format_options_new()) {
    g_mime_format_options_set_newline_format(
        options_, line_ends == LineEnds::CrLf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
  }
  ~GMimeOutput() { g_mime_format_options_free(options_); }
  GMimeOutput(const GMimeOutput&) = delete;
  GMimeOutput& operator=(const GMimeOutput&) = delete;

  const char* newline() const { return g_mime_format_options_get_newline(options_); }
  void object(GMimeObject* object) { check(g_mime_object_write_to_stream(object, options_, stream_.get())); }
  // The object's header block; a message's includes the headers of its MIME part.
  void headers(GMimeObject* object) {
    char* block = g_mime_object_get_headers(object, options_);
    const ssize_t written = block ? g_mime_stream_write_string(stream_.get(), block) : 0;
    g_free(block);
    check(written);
  }
  void text(std::string_view text) { check(g_mime_stream_write(stream_.get(), text.data(), text.size())); }

 private:
  void check(ssize_t written) {
    if (failure_) std::rethrow_exception(failure_);
    if (written < 0) throw ComposeError("GMime could not write it");
  }
  std::exception_ptr failure_;
  GPtr<GMimeStream> stream_;
  GMimeFormatOptions* options_;
};

}  // namespace

void compose_with_gmime_objects(const CompositionRecord& record, ese::ByteSink& out, LineEnds line_ends) {
  initialise_gmime();
  GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_FROM, record.from);
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_TO, record.to);
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_CC, record.cc);
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_BCC, record.bcc);
  g_mime_message_set_subject(message.get(), record.subject.c_str(), "UTF-8");
  const std::string date = rfc5322_date(record.filetime);
  if (!date.empty()) g_mime_object_set_header(GMIME_OBJECT(message.get()), "Date", date.c_str(), nullptr);
  if (!record.message_id.empty()) g_mime_message_set_message_id(message.get(), bare_id(record.message_id).c_str());
  // The original transport fields (Received, Reply-To, References, List-*, X-*, ...) are kept,
  // refolded by GMime.
  for (const HeaderField& field : carried_header_fields(record.transport_headers))
    g_mime_object_append_header(GMIME_OBJECT(message.get()), field.name.c_str(), field.value.c_str(), "UTF-8");

  GMimeOutput output(out, line_ends);
  GPtr<GMimeObject> content = body(record);
  if (record.attachments.empty()) {
    g_mime_message_set_mime_part(message.get(), content.get());
    output.object(GMIME_OBJECT(message.get()));
    return;
  }
  // multipart/mixed, laid out as GMime lays it out: the body part, then each attachment.
  const std::string boundary = boundary_for(record, 0);
  GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  g_mime_multipart_set_boundary(mixed.get(), boundary.c_str());
  g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));
  const std::string newline = output.newline();
  const std::string delimiter = "--" + boundary + newline;
  output.headers(GMIME_OBJECT(message.get()));
  output.text(newline + delimiter);
  output.object(content.get());
  for (const AttachmentContent& attachment : record.attachments) {
    output.text(newline + delimiter);
    GPtr<GMimeObject> part = attachment_part(attachment);
    output.headers(part.get());
    output.text(newline);
    write_attachment(attachment, newline, out);
  }
  output.text(newline + "--" + boundary + "--" + newline);
}

}  // namespace quorvine::exporting
