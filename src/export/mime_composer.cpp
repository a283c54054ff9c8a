#include "export/mime_composer.hpp"

#include <fcntl.h>
#include <gmime/gmime.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "export/mail_addresses.hpp"
#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

struct ObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, ObjectUnref>;

void initialise_gmime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& what) {
  throw ComposeError("cannot write the message file " + file.string() + ": " + what);
}

GPtr<GMimeStream> open_input(const std::filesystem::path& file, const std::filesystem::path& message_file) {
  GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr);
  if (!stream) fail(message_file, "cannot read " + file.string() + ": " + std::generic_category().message(errno));
  return GPtr<GMimeStream>(stream);
}

// Sets the content of `part` to the file, read while the message is written.
void set_file_content(GMimePart* part, const std::filesystem::path& file, const std::filesystem::path& message_file) {
  GPtr<GMimeStream> stream = file.empty() ? GPtr<GMimeStream>(g_mime_stream_mem_new()) : open_input(file, message_file);
  GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, content.get());
}

// A text part whose lines never begin with "From " once encoded, so mailbox readers that do
// not undo ">From " quoting still give the body back unchanged: such a body is sent base64
// (GMime's quoted-printable encoder leaves "From " as it is).
GPtr<GMimeObject> text_part(const char* subtype, const std::filesystem::path& file,
                            const std::filesystem::path& message_file) {
  GPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype(subtype));
  set_file_content(GMIME_PART(part.get()), file, message_file);
  g_mime_text_part_set_charset(part.get(), "utf-8");
  GMimeContentEncoding encoding = g_mime_part_get_best_content_encoding(GMIME_PART(part.get()),
                                                                        GMIME_ENCODING_CONSTRAINT_7BIT);
  if (encoding == GMIME_CONTENT_ENCODING_7BIT || encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE) {
    GMimeStream* stream = g_mime_data_wrapper_get_stream(g_mime_part_get_content(GMIME_PART(part.get())));
    g_mime_stream_reset(stream);
    char buffer[4096];
    size_t matched = 0;  // characters of "From " seen at the start of the current line; 6: none
    for (ssize_t n; encoding != GMIME_CONTENT_ENCODING_BASE64 &&
                    (n = g_mime_stream_read(stream, buffer, sizeof buffer)) > 0;) {
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] == '\n') {
          matched = 0;
        } else if (matched < 5) {
          matched = buffer[i] == "From "[matched] ? matched + 1 : 6;
          if (matched == 5) encoding = GMIME_CONTENT_ENCODING_BASE64;
        }
      }
    }
    g_mime_stream_reset(stream);
  }
  g_mime_part_set_content_encoding(GMIME_PART(part.get()), encoding);
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

void set_utf8_parameter_charsets(GMimeParamList* params) {
  if (!params) return;
  for (int i = 0; i < g_mime_param_list_length(params); ++i)
    g_mime_param_set_charset(g_mime_param_list_get_parameter_at(params, i), "UTF-8");
}

GPtr<GMimeObject> attachment_part(const AttachmentFile& attachment, const std::filesystem::path& message_file) {
  GPtr<GMimePart> part(g_mime_part_new_with_type("application", "octet-stream"));
  set_file_content(part.get(), attachment.path, message_file);
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  const std::string name = attachment.name.empty() ? attachment.path.filename().string() : attachment.name;
  g_mime_part_set_filename(part.get(), name.c_str());
  set_utf8_parameter_charsets(g_mime_content_type_get_parameters(g_mime_object_get_content_type(GMIME_OBJECT(part.get()))));
  if (GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(GMIME_OBJECT(part.get())))
    set_utf8_parameter_charsets(g_mime_content_disposition_get_parameters(disposition));
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

// Boundaries depend only on the message, so an export gives the same bytes every time.
std::string boundary_for(const CompositionRecord& record, int part) {
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  const auto mix = [&hash](std::string_view text) {
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    hash = (hash ^ 0xff) * 1099511628211ULL;
  };
  mix(record.message_id);
  mix(record.from);
  mix(record.subject);
  mix(std::to_string(record.filetime.value_or(0)));
  mix(std::to_string(part));
  char text[48];
  std::snprintf(text, sizeof text, "=-Quorvine-%016llx", static_cast<unsigned long long>(hash));
  return text;
}

GPtr<GMimeObject> body(const CompositionRecord& record) {
  if (record.body_kind == "html") return text_part("html", record.body_file, record.message_file);
  GPtr<GMimeObject> text = text_part("plain", record.body_file, record.message_file);
  const std::filesystem::path& html = record.html_body_file;
  if (html.empty()) return text;
  GPtr<GMimeMultipart> alternative(g_mime_multipart_new_with_subtype("alternative"));
  g_mime_multipart_set_boundary(alternative.get(), boundary_for(record, 1).c_str());
  g_mime_multipart_add(alternative.get(), text.get());
  g_mime_multipart_add(alternative.get(), text_part("html", html, record.message_file).get());
  return GPtr<GMimeObject>(GMIME_OBJECT(alternative.release()));
}

void add_addresses(GMimeMessage* message, GMimeAddressType type, const std::vector<MailAddress>& addresses) {
  InternetAddressList* list = g_mime_message_get_addresses(message, type);
  for (const MailAddress& address : addresses) {
    GPtr<InternetAddress> mailbox(internet_address_mailbox_new(address.name.c_str(), address.address.c_str()));
    internet_address_set_charset(mailbox.get(), "UTF-8");
    internet_address_list_add(list, mailbox.get());
  }
}

// A message identifier without its angle brackets, as GMime wants it.
std::string bare_id(std::string id) {
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
  return id;
}

void write_message(GMimeMessage* message, const std::filesystem::path& file) {
  // A stdio stream: flushing it does not fsync, which GMime's fd stream does. The file is a
  // temporary one, appended to its MBOX file (which is synced once) and deleted.
  std::FILE* handle = std::fopen(file.c_str(), "wb");
  if (!handle) fail(file, std::generic_category().message(errno));
  GPtr<GMimeStream> fs(g_mime_stream_file_new(handle));
  GPtr<GMimeStream> out(g_mime_stream_buffer_new(fs.get(), GMIME_STREAM_BUFFER_BLOCK_WRITE));
  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  const ssize_t written = g_mime_object_write_to_stream(GMIME_OBJECT(message), options, out.get());
  g_mime_format_options_free(options);
  const int error = errno;
  const bool complete = written >= 0 && g_mime_stream_flush(out.get()) == 0 && g_mime_stream_close(fs.get()) == 0;
  if (!complete) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    fail(file, std::generic_category().message(error ? error : EIO));
  }
}

}  // namespace

std::filesystem::path ReCreateEML(const CompositionRecord& record) {
  initialise_gmime();
  GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_FROM, parse_sender(record.from));
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_TO, parse_address_list(record.to));
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_CC, parse_address_list(record.cc));
  add_addresses(message.get(), GMIME_ADDRESS_TYPE_BCC, parse_address_list(record.bcc));
  g_mime_message_set_subject(message.get(), record.subject.c_str(), "UTF-8");
  const std::string date = rfc5322_date(record.filetime);
  if (!date.empty()) g_mime_object_set_header(GMIME_OBJECT(message.get()), "Date", date.c_str(), nullptr);
  if (!record.message_id.empty()) g_mime_message_set_message_id(message.get(), bare_id(record.message_id).c_str());
  if (!record.in_reply_to.empty())
    g_mime_object_set_header(GMIME_OBJECT(message.get()), "In-Reply-To", record.in_reply_to.c_str(), nullptr);
  if (!record.references.empty())
    g_mime_object_set_header(GMIME_OBJECT(message.get()), "References", record.references.c_str(), nullptr);

  GPtr<GMimeObject> content = body(record);
  if (!record.attachments.empty()) {
    GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_set_boundary(mixed.get(), boundary_for(record, 0).c_str());
    g_mime_multipart_add(mixed.get(), content.get());
    for (const AttachmentFile& attachment : record.attachments)
      g_mime_multipart_add(mixed.get(), attachment_part(attachment, record.message_file).get());
    content.reset(GMIME_OBJECT(mixed.release()));
  }
  g_mime_message_set_mime_part(message.get(), content.get());
  write_message(message.get(), record.message_file);
  return record.message_file;
}

}  // namespace quorvine::exporting
