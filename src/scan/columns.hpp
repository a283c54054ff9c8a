#pragma once
// The store's column names (a type letter followed by the MAPI property number in hex), each
// named once for what the column holds, and the orders in which a message's times are tried.
#include <array>
#include <string_view>

namespace quorvine::scan::columns {

inline constexpr char transport_headers[] = "S7d";
inline constexpr char text_body[] = "S1000";
inline constexpr char html_body[] = "N1013";
inline constexpr char rtf_body[] = "N1009";
inline constexpr char topic[] = "S70";
inline constexpr char message_class[] = "S1a";
inline constexpr char subject[] = "Se1d";
inline constexpr char subject_prefix[] = "S3d";
inline constexpr char sender_name[] = "S42";
inline constexpr char sender_address[] = "S4025";
inline constexpr char sender_fallback[] = "N67b5";
inline constexpr char display_to[] = "N67b4";
inline constexpr char recipients_fallback[] = "N2c";
inline constexpr char message_id[] = "N67b0";
inline constexpr char attachment_ids[] = "N67b3";
inline constexpr char body_key[] = "N65f9";
inline constexpr char has_attachments[] = "Be1b";
inline constexpr char folder_id[] = "Q6748";
inline constexpr char attachment_name[] = "S3001";
inline constexpr char attachment_long_name[] = "S3707";
inline constexpr char attachment_data[] = "N3701";
inline constexpr char content_count[] = "L3602";

inline constexpr char submit_time[] = "T39";
inline constexpr char delivery_time[] = "Te06";
inline constexpr char creation_time[] = "T3007";

// The time a message is shown and exported with: the first of these that holds one. The
// 2003/2007 message table is read from the submit time on, the 2010/2013 header tables from
// the delivery time on.
inline constexpr std::array<std::string_view, 3> message_times_2007 = {submit_time, delivery_time, creation_time};
inline constexpr std::array<std::string_view, 3> message_times_2010 = {delivery_time, creation_time, submit_time};

}  // namespace quorvine::scan::columns
