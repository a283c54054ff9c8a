#include "decode/value_renderers.hpp"

#include <bit>
#include <cstdio>
#include <optional>
#include <span>

#include "decode/date_text.hpp"
#include "decode/long_value_spill.hpp"
#include "decode/printable_filters.hpp"
#include "ese/byte_reader.hpp"
#include "ese/error.hpp"

namespace quorvine::decode {
namespace {

using ese::ColumnType;
namespace vf = ese::value_flags;

enum class Renderer { general, exchange2013, binary };

enum class StorageForm { plain, compressed, long_value, multi_value, other };

StorageForm storage_form(uint8_t flags) {
  if (flags == 0x00 || flags == vf::variable_size) return StorageForm::plain;
  if ((flags & vf::compressed) && !(flags & vf::multi_value)) return StorageForm::compressed;
  if ((flags & vf::long_value) && !(flags & vf::multi_value)) return StorageForm::long_value;
  if ((flags & vf::multi_value) && !(flags & vf::long_value) && !(flags & vf::two_values))
    return StorageForm::multi_value;
  return StorageForm::other;
}

template <typename T>
std::optional<T> read_le(std::span<const uint8_t> bytes) {
  static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
  if (bytes.size() != sizeof(T)) return std::nullopt;
  const ese::ByteReader in(bytes, "A number");
  if constexpr (sizeof(T) == 2) return std::bit_cast<T>(in.u16_at(0, "the value"));
  else if constexpr (sizeof(T) == 4) return std::bit_cast<T>(in.u32_at(0, "the value"));
  else return std::bit_cast<T>(in.u64_at(0, "the value"));
}

// Widened to the type printf expects for the format.
template <typename Out, typename In>
std::optional<Out> widen(std::optional<In> value) {
  if (!value) return std::nullopt;
  return static_cast<Out>(*value);
}

template <typename T>
std::string format_number(const char* format, std::optional<T> value) {
  if (!value) return {};
  char buffer[400];  // the longest "%f" of a double is 317 characters
  int size = std::snprintf(buffer, sizeof buffer, format, *value);
  if (size < 0 || static_cast<size_t>(size) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<size_t>(size));
}

// Fixed-size types, the same in every renderer; nothing for the others.
std::optional<std::string> number_text(ColumnType type, std::span<const uint8_t> raw) {
  switch (type) {
    case ColumnType::Boolean:
      if (raw.empty()) return std::string();
      return std::string(raw[0] != 0 ? "true" : "false");
    case ColumnType::UnsignedByte:
      return format_number("%u", raw.size() == 1 ? std::optional<unsigned>(raw[0]) : std::nullopt);
    case ColumnType::Short:
      return format_number("%i", widen<int>(read_le<int16_t>(raw)));
    case ColumnType::UnsignedShort:
      return format_number("%u", widen<unsigned>(read_le<uint16_t>(raw)));
    case ColumnType::Long:
      return format_number("%d", read_le<int32_t>(raw));
    case ColumnType::UnsignedLong:
      return format_number("%u", read_le<uint32_t>(raw));
    case ColumnType::LongLong:
      return format_number("%lld", widen<long long>(read_le<int64_t>(raw)));
    case ColumnType::Currency:
      return format_number("%llu", widen<unsigned long long>(read_le<uint64_t>(raw)));
    case ColumnType::Float32:
      return format_number("%f", widen<double>(read_le<float>(raw)));
    case ColumnType::Float64:
      return format_number("%f", read_le<double>(raw));
    default:
      return std::nullopt;
  }
}

std::string date_text(Renderer renderer, std::span<const uint8_t> raw) {
  auto filetime = read_le<uint64_t>(raw);
  if (!filetime) return {};
  std::string utc = filetime_utc_text(*filetime);
  return renderer == Renderer::exchange2013 ? utc : convert_date(utc);
}

std::string plain_value(Renderer renderer, const ValueSource& value, const ese::StoredValue& stored) {
  ColumnType type = value.column_type();
  if (auto number = number_text(type, stored.raw)) return *number;
  if (type == ColumnType::DateTime) return date_text(renderer, stored.raw);
  if (ese::is_text(type)) {
    std::string text = value.text().value_or(std::string());
    if (renderer == Renderer::binary) return std::string(text_before_nul(text));
    return without_nuls(text);
  }
  if (renderer == Renderer::general) return printable_bytes(stored.raw);
  return hex_bytes(stored.raw);
}

// The reading layer decompresses; every binary type is treated as large binary and every
// text type as large text, rather than showing still-compressed bytes.
std::string compressed_value(Renderer renderer, const ValueSource& value,
                             const ese::StoredValue& stored) {
  ColumnType type = value.column_type();
  if (type == ColumnType::LargeBinary || type == ColumnType::Binary) {
    ese::Bytes data = value.bytes().value_or(ese::Bytes());
    return renderer == Renderer::exchange2013 ? strict_printable_bytes(data) : printable_bytes(data);
  }
  if (ese::is_text(type)) {
    std::string text = value.text().value_or(std::string());
    if (renderer == Renderer::exchange2013) return without_nuls(text);
    return std::string(text_before_nul(text));
  }
  return renderer == Renderer::exchange2013 ? hex_bytes(stored.raw)
                                            : printable_bytes(stored.raw);
}

std::string inline_long_value(Renderer renderer, const ValueSource& value) {
  std::string out;
  for (const ese::Bytes& segment : value.long_value_segments())
    out += renderer == Renderer::exchange2013 ? strict_printable_bytes(segment)
                                              : hex_bytes(segment);
  return out;
}

std::string multi_value(Renderer renderer, const ValueSource& value, const ese::StoredValue& stored) {
  std::string out;
  for (const ese::MultiValueElement& element : value.multi_values()) {
    if (element.data.empty()) continue;
    if (ese::is_text(element.type)) {
      std::string text = value.element_text(element);
      if (renderer == Renderer::exchange2013) {
        if (!out.empty()) out += "; ";
        out += without_nuls(text);
      } else {
        out += nuls_as_spaces(text);
      }
    } else if (renderer == Renderer::exchange2013) {
      out = hex_bytes(stored.raw);
    } else {
      out += strict_printable_bytes(element.data);
      if (renderer == Renderer::general) out += ',';
    }
  }
  return out;
}

std::string other_form(Renderer renderer, const ese::StoredValue& stored) {
  return renderer == Renderer::exchange2013 ? hex_bytes(stored.raw)
                                            : printable_bytes(stored.raw);
}

std::string render(Renderer renderer, const DecodeContext* ctx, const ValueSource& value, size_t column,
                   std::filesystem::path* spilled) {
  const ese::StoredValue* stored = value.stored();
  if (!stored) return {};
  try {
    switch (storage_form(stored->flags)) {
      case StorageForm::plain:
        return plain_value(renderer, value, *stored);
      case StorageForm::compressed:
        return compressed_value(renderer, value, *stored);
      case StorageForm::long_value:
        if (renderer != Renderer::general) return inline_long_value(renderer, value);
        if (ctx->generation == Generation::V2007) {
          if (static_cast<int64_t>(column) != ctx->spilled_column) return {};
          if (!spilled) {
            value.long_value_segments();  // throws when damaged
            return "true";
          }
          return spill_long_value(*ctx, value, transport_headers_spill, SpillForm::preview_text, *spilled) ? "true" : "";
        }
        if (spilled) spill_long_value(*ctx, value, raw_value_spill, SpillForm::raw_bytes, *spilled);
        return {};
      case StorageForm::multi_value:
        return multi_value(renderer, value, *stored);
      case StorageForm::other:
        return other_form(renderer, *stored);
    }
  } catch (const ese::EseError&) {
    // A damaged value renders as nothing and is counted; the caller goes on with the next one.
    if (ctx) ctx->count_damaged_value();
  }
  return {};
}

}  // namespace

std::string render_value(const DecodeContext& ctx, const ValueSource& value,
                                                  size_t column, std::filesystem::path* spilled) {
  return render(Renderer::general, &ctx, value, column, spilled);
}

std::string render_value_2013(const ValueSource& value) {
  return render(Renderer::exchange2013, nullptr, value, 0, nullptr);
}

std::string render_value_as_hex(const ValueSource& value) {
  return render(Renderer::binary, nullptr, value, 0, nullptr);
}

}  // namespace quorvine::decode
