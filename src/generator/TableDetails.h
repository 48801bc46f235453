#pragma once

class Table;
namespace spreadsheet {
class Worksheet;
}

// What the detailed workbook adds to a table's sheet around the default
// block (title block B2:C4, field list from B6 to F):
// - the table's description, validation rule and validation text, framed
//   as the title block, in J2:K4, right of it beside the link back to the
//   contents in H2 (written by the generator);
// - the fields' properties from column H, the header on the field list's
//   header row and each field on its row;
// - after one empty row below the field list, the indexes, then after one
//   more the relationships, each with a bold heading and framed as the
//   field list, within columns B to F: name in B, fields or tables in C:E
//   merged, flags or rules in F (texts wrap in the cell).
// Column widths are set for H onward only.
namespace TableDetails {

void WriteTableFacts(spreadsheet::Worksheet &sheet, const Table &table);
// headerRow is the field list's header row; the fields follow it in order.
void WriteFieldProperties(spreadsheet::Worksheet &sheet, const Table &table, int headerRow);
// Each writes its block from firstRow (its heading) and gives the last row
// it used.
int WriteIndexes(spreadsheet::Worksheet &sheet, const Table &table, int firstRow);
int WriteRelationships(spreadsheet::Worksheet &sheet, const Table &table, int firstRow);

} // namespace TableDetails
