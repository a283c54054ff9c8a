#pragma once
// Which of the sixteen tree icons a folder gets, from its label and its folder class.
#include <string_view>

#include <QIcon>
#include <QList>

namespace quorvine::ui {

// 3 calendar, 4 contacts, 5 deleted items, 6 drafts, 7 inbox, 8 journal, 9 junk e-mail,
// 10 notes, 11 outbox, 12 sent items, 13 tasks, 14 sync issues, 0 anything else. The first
// matching rule wins; the label is compared in capitals, the class exactly.
int folder_icon_index(std::string_view label, std::string_view folder_class);

// Makes the icons compiled into this library reachable under ":/icons"; a static library's
// resources are not registered unless something asks for them.
void register_icons();

// The sixteen icons in index order.
const QList<QIcon>& folder_icons();

}  // namespace quorvine::ui
