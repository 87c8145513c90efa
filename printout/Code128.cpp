#include "printout/Code128.h"

#include <array>

namespace {

// The bar and space widths of each symbol value, bar first; the stop code
// carries the final bar.
constexpr std::array<const char*, 107> Patterns = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", // 0
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", // 10
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", // 20
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313", // 30
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331", // 40
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111", // 50
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214", // 60
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", // 70
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141", // 80
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141", // 90
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112", // 100
};

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype digitRun(const QString& text, qsizetype from)
{
    qsizetype end = from;
    while (end < text.size() && isDigit(text.at(end)))
        ++end;
    return end - from;
}

} // namespace

namespace Code128 {

std::vector<int> symbols(const QString& text)
{
    if (text.isEmpty())
        return {};
    for (const QChar c : text)
        if (c.unicode() < 32 || c.unicode() > 126)
            return {};

    // Code set C pays off from four digits on: two digits to a symbol win
    // back the symbol spent on changing code sets. An odd run leaves its
    // first digit in code set B, or its last when the text starts with it.
    std::vector<int> result;
    const qsizetype leading = digitRun(text, 0);
    bool inC = leading >= 4 || (leading == 2 && text.size() == 2);
    result.push_back(inC ? StartC : StartB);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype run = digitRun(text, i);
        if (inC) {
            if (run >= 2) {
                result.push_back(text.mid(i, 2).toInt());
                i += 2;
            } else {
                result.push_back(CodeB);
                inC = false;
            }
        } else if (run >= 4 && run % 2 == 0) {
            result.push_back(CodeC);
            inC = true;
        } else {
            result.push_back(text.at(i).unicode() - 32);
            ++i;
        }
    }
    result.push_back(checkSymbol(result));
    result.push_back(Stop);
    return result;
}

int checkSymbol(const std::vector<int>& startAndData)
{
    if (startAndData.empty())
        return 0;
    long sum = startAndData.front();
    for (std::size_t i = 1; i < startAndData.size(); ++i)
        sum += long(i) * startAndData[i];
    return int(sum % 103);
}

std::vector<int> moduleWidths(const QString& text)
{
    std::vector<int> widths;
    for (const int symbol : symbols(text))
        for (const char* width = Patterns[std::size_t(symbol)]; *width; ++width)
            widths.push_back(*width - '0');
    return widths;
}

} // namespace Code128
