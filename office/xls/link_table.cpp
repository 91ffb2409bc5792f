#include "office/xls/link_table.h"

namespace brindlemoor::office::xls {

void writeLinkTable(BiffStream& out, const LinkTableContext& context) {
    if (context.formulas) {
        // SUPBOOK, EXTERNSHEET and NAME records, made when the formulas were translated.
        const auto& records = context.formulas->globalRecords();
        out.raw(records.data(), records.size());
        return;
    }
    if (!context.workbook.names.empty()) {
        context.warnings.push_back(std::to_string(context.workbook.names.size()) +
                                   " named range(s) or expression(s) were not written");
    }
}

}  // namespace brindlemoor::office::xls
