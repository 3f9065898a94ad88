// The names a document is offered under when it is saved as a PDF: what it is and
// which pledge or period it is of, so that a folder of saved documents reads at a
// glance ("Залоговый билет 1370", "Сводный ордер 01.12.2025-07.12.2025"). CP1251.
#pragma once

#include <cstdint>
#include <string>

namespace kw::documents {

// `title` and the period D1 to D2 the report was asked for.
std::string periodName(const std::string& title);
// `title` and a ticket number.
std::string ticketName(const std::string& title, int32_t ticket);

}  // namespace kw::documents
