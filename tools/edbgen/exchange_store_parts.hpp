#pragma once
// The per-generation fillers behind make_store_filler(), and what they share.
#include <memory>

#include "edbgen/exchange_columns.hpp"
#include "edbgen/exchange_store.hpp"

namespace edbgen {

std::unique_ptr<StoreFiller> make_filler_2007(DatabaseWriter& db, bool is_public);
std::unique_ptr<StoreFiller> make_filler_2010(DatabaseWriter& db, bool is_public);
std::unique_ptr<StoreFiller> make_filler_2013(DatabaseWriter& db, bool is_public);

// Columns the fillers set from a message's own data; scenario "fields" may not name them.
bool generator_owned_column(const std::string& name);

// Writes a message's scenario "fields" into a record of a table that has the columns.
void put_fields(RecordCells& cells, const ColumnSet& columns, const Message& m);

// Plain text, HTML and compressed-RTF bodies, transport headers, class, subject, topic.
void put_message_content(RecordCells& cells, const Message& m, Storage headers_storage,
                         bool sender_columns = true);

}  // namespace edbgen
