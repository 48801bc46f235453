#pragma once

// The numbers the spreadsheet's automation interface knows its settings by;
// the callers pass them as they would to the real application.
namespace xl {

// Borders(index)
constexpr int EdgeLeft = 7;
constexpr int EdgeTop = 8;
constexpr int EdgeBottom = 9;
constexpr int EdgeRight = 10;
constexpr int InsideVertical = 11;
constexpr int InsideHorizontal = 12;

// Border.LineStyle
constexpr int Continuous = 1;

// Border.Weight
constexpr int Hairline = 1;
constexpr int Thin = 2;
constexpr int Medium = -4138;

// Border.ColorIndex
constexpr int ColorIndexAutomatic = -4105;

// Interior.ColorIndex: the only one the program sets.
constexpr int InteriorColorIndexDefault = 0;

// Interior.Pattern
constexpr int PatternGray16 = 17;

// Windows.Arrange ArrangeStyle
constexpr int ArrangeStyleTiled = 1;
constexpr int ArrangeStyleCascade = 7;
constexpr int ArrangeStyleHorizontal = -4128;
constexpr int ArrangeStyleVertical = -4166;

// The size of a sheet.
constexpr int MaxRows = 1'048'576;
constexpr int MaxColumns = 16'384;
constexpr int MaxTextLength = 32'767;
constexpr double MaxColumnWidth = 255.0;
constexpr double MaxRowHeight = 409.0; // points

} // namespace xl
