#pragma once

#include "common/OleDateTime.h"

#include <QString>
#include <variant>

// What a cell holds: nothing, a text, a number or a date-time value.
using CellValue = std::variant<std::monostate, QString, double, OleDateTime>;
