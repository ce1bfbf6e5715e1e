#include "signed_rows.h"

Text signed_address_of_row(const ResolutionReport& report, int row, const SigningSeed& seed)
{
    // Each line takes one row per quality, then its separator.
    const int per_line = static_cast<int>(report.bit_rates.size()) + 1;
    if (row < 0) return {};
    const auto line = static_cast<std::size_t>(row / per_line);
    const auto quality = static_cast<std::size_t>(row % per_line);
    if (line >= report.signing_lines.size() || quality >= report.bit_rates.size()) return {};
    return signed_play_address(report.signing_lines[line], report.bit_rates[quality], seed);
}
