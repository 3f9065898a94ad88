#include "documents/document_names.h"

#include "runtime/picture.h"
#include "shell/globals.h"

namespace kw::documents {

std::string periodName(const std::string& title) {
    if (D1 == 0 && D2 == 0) return title;
    return title + " " + picture::format(D1, "D6") + "-" + picture::format(D2, "D6");
}

std::string ticketName(const std::string& title, int32_t ticket) {
    return title + " " + std::to_string(ticket);
}

}  // namespace kw::documents
