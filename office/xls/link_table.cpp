#include "office/xls/link_table.h"

namespace brindlemoor::office::xls {

void writeLinkTable(BiffStream&, const LinkTableContext& context) {
    // Defined names need formula translation; until then they are listed.
    if (!context.workbook.names.empty()) {
        context.warnings.push_back(std::to_string(context.workbook.names.size()) +
                                   " named range(s) or expression(s) were not written");
    }
}

}  // namespace brindlemoor::office::xls
