#pragma once

#include <QString>

#include <vector>

// Code 128 symbols of printable ASCII text, drawn by the printout as bars.
// Text goes in code set B; a run of four or more digits goes in code set C,
// two digits to a symbol, so "T" and a ticket number stay short.
namespace Code128 {

constexpr int StartB = 104;
constexpr int StartC = 105;
constexpr int CodeB = 100;
constexpr int CodeC = 99;
constexpr int Stop = 106;

// Every symbol is 11 modules wide, the stop pattern 13.
constexpr int SymbolModules = 11;
constexpr int StopModules = 13;

// The symbol values of `text`: the start code, the data with its code set
// changes, the check symbol and the stop code. Empty when the text is empty
// or holds a character outside printable ASCII (space to tilde).
std::vector<int> symbols(const QString& text);

// The check symbol of a start code and the data symbols after it: the start
// code's value plus each data symbol times its position, modulo 103.
int checkSymbol(const std::vector<int>& startAndData);

// The widths in modules of the bars and spaces of `text`, a bar first and
// then alternating, without the quiet zones; empty as `symbols`.
std::vector<int> moduleWidths(const QString& text);

} // namespace Code128
