#include "office/formula/function_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace brindlemoor::office::formula {
namespace {

// Excel's built-in function table (function number, argument counts, token
// classes). Sorted by name for the binary search below.
constexpr ExcelFunction kFunctions[] = {
    {"ABS", 24, 1, 1, 'V', "V"},
    {"ACOS", 99, 1, 1, 'V', "V"},
    {"ACOSH", 233, 1, 1, 'V', "V"},
    {"ADDRESS", 219, 2, 5, 'V', "V"},
    {"AND", 36, 1, 30, 'V', "R"},
    {"AREAS", 75, 1, 1, 'V', "R"},
    {"ASC", 214, 1, 1, 'V', "V"},
    {"ASIN", 98, 1, 1, 'V', "V"},
    {"ASINH", 232, 1, 1, 'V', "V"},
    {"ATAN", 18, 1, 1, 'V', "V"},
    {"ATAN2", 97, 2, 2, 'V', "V"},
    {"ATANH", 234, 1, 1, 'V', "V"},
    {"AVEDEV", 269, 1, 30, 'V', "R"},
    {"AVERAGE", 5, 1, 30, 'V', "R"},
    {"AVERAGEA", 361, 1, 30, 'V', "R"},
    {"BETADIST", 270, 3, 5, 'V', "V"},
    {"BETAINV", 272, 3, 5, 'V', "V"},
    {"BINOMDIST", 273, 4, 4, 'V', "V"},
    {"CEILING", 288, 2, 2, 'V', "V"},
    {"CELL", 125, 1, 2, 'V', "VR", true},
    {"CHAR", 111, 1, 1, 'V', "V"},
    {"CHIDIST", 274, 2, 2, 'V', "V"},
    {"CHIINV", 275, 2, 2, 'V', "V"},
    {"CHITEST", 306, 2, 2, 'V', "A"},
    {"CHOOSE", 100, 2, 30, 'R', "VP"},
    {"CLEAN", 162, 1, 1, 'V', "V"},
    {"CODE", 121, 1, 1, 'V', "V"},
    {"COLUMN", 9, 0, 1, 'V', "R"},
    {"COLUMNS", 77, 1, 1, 'V', "R"},
    {"COMBIN", 276, 2, 2, 'V', "V"},
    {"CONCATENATE", 336, 1, 30, 'V', "V"},
    {"CONFIDENCE", 277, 3, 3, 'V', "V"},
    {"CORREL", 307, 2, 2, 'V', "A"},
    {"COS", 16, 1, 1, 'V', "V"},
    {"COSH", 230, 1, 1, 'V', "V"},
    {"COUNT", 0, 0, 30, 'V', "R"},
    {"COUNTA", 169, 0, 30, 'V', "R"},
    {"COUNTBLANK", 347, 1, 1, 'V', "R"},
    {"COUNTIF", 346, 2, 2, 'V', "RV"},
    {"COVAR", 308, 2, 2, 'V', "A"},
    {"CRITBINOM", 278, 3, 3, 'V', "V"},
    {"DATE", 65, 3, 3, 'V', "V"},
    {"DATEDIF", 351, 3, 3, 'V', "V"},
    {"DATEVALUE", 140, 1, 1, 'V', "V"},
    {"DAVERAGE", 42, 3, 3, 'V', "R"},
    {"DAY", 67, 1, 1, 'V', "V"},
    {"DAYS360", 220, 2, 3, 'V', "V"},
    {"DB", 247, 4, 5, 'V', "V"},
    {"DCOUNT", 40, 3, 3, 'V', "R"},
    {"DCOUNTA", 199, 3, 3, 'V', "R"},
    {"DDB", 144, 4, 5, 'V', "V"},
    {"DEGREES", 343, 1, 1, 'V', "V"},
    {"DEVSQ", 318, 1, 30, 'V', "R"},
    {"DGET", 235, 3, 3, 'V', "R"},
    {"DMAX", 44, 3, 3, 'V', "R"},
    {"DMIN", 43, 3, 3, 'V', "R"},
    {"DOLLAR", 13, 1, 2, 'V', "V"},
    {"DPRODUCT", 189, 3, 3, 'V', "R"},
    {"DSTDEV", 45, 3, 3, 'V', "R"},
    {"DSTDEVP", 195, 3, 3, 'V', "R"},
    {"DSUM", 41, 3, 3, 'V', "R"},
    {"DVAR", 47, 3, 3, 'V', "R"},
    {"DVARP", 196, 3, 3, 'V', "R"},
    {"ERROR.TYPE", 261, 1, 1, 'V', "V"},
    {"EVEN", 279, 1, 1, 'V', "V"},
    {"EXACT", 117, 2, 2, 'V', "V"},
    {"EXP", 21, 1, 1, 'V', "V"},
    {"EXPONDIST", 280, 3, 3, 'V', "V"},
    {"FACT", 184, 1, 1, 'V', "V"},
    {"FALSE", 35, 0, 0, 'V', ""},
    {"FDIST", 281, 3, 3, 'V', "V"},
    {"FIND", 124, 2, 3, 'V', "V"},
    {"FINDB", 205, 2, 3, 'V', "V"},
    {"FINV", 282, 3, 3, 'V', "V"},
    {"FISHER", 283, 1, 1, 'V', "V"},
    {"FISHERINV", 284, 1, 1, 'V', "V"},
    {"FIXED", 14, 1, 3, 'V', "V"},
    {"FLOOR", 285, 2, 2, 'V', "V"},
    {"FORECAST", 309, 3, 3, 'V', "VAA"},
    {"FREQUENCY", 252, 2, 2, 'A', "R"},
    {"FTEST", 310, 2, 2, 'V', "A"},
    {"FV", 57, 3, 5, 'V', "V"},
    {"GAMMADIST", 286, 4, 4, 'V', "V"},
    {"GAMMAINV", 287, 3, 3, 'V', "V"},
    {"GAMMALN", 271, 1, 1, 'V', "V"},
    {"GEOMEAN", 319, 1, 30, 'V', "R"},
    {"GETPIVOTDATA", 358, 2, 30, 'V', "VRV"},
    {"GROWTH", 52, 1, 4, 'A', "RRRV"},
    {"HARMEAN", 320, 1, 30, 'V', "R"},
    {"HLOOKUP", 101, 3, 4, 'V', "VRRV"},
    {"HOUR", 71, 1, 1, 'V', "V"},
    {"HYPERLINK", 359, 1, 2, 'V', "V"},
    {"HYPGEOMDIST", 289, 4, 4, 'V', "V"},
    {"IF", 1, 2, 3, 'R', "VP"},
    {"INDEX", 29, 2, 4, 'R', "RV"},
    {"INDIRECT", 148, 1, 2, 'R', "V", true},
    {"INFO", 244, 1, 1, 'V', "V", true},
    {"INT", 25, 1, 1, 'V', "V"},
    {"INTERCEPT", 311, 2, 2, 'V', "A"},
    {"IPMT", 167, 4, 6, 'V', "V"},
    {"IRR", 62, 1, 2, 'V', "RV"},
    {"ISBLANK", 129, 1, 1, 'V', "V"},
    {"ISERR", 126, 1, 1, 'V', "V"},
    {"ISERROR", 3, 1, 1, 'V', "V"},
    {"ISLOGICAL", 198, 1, 1, 'V', "V"},
    {"ISNA", 2, 1, 1, 'V', "V"},
    {"ISNONTEXT", 190, 1, 1, 'V', "V"},
    {"ISNUMBER", 128, 1, 1, 'V', "V"},
    {"ISPMT", 350, 4, 4, 'V', "V"},
    {"ISREF", 105, 1, 1, 'V', "R"},
    {"ISTEXT", 127, 1, 1, 'V', "V"},
    {"KURT", 322, 1, 30, 'V', "R"},
    {"LARGE", 325, 2, 2, 'V', "RV"},
    {"LEFT", 115, 1, 2, 'V', "V"},
    {"LEFTB", 208, 1, 2, 'V', "V"},
    {"LEN", 32, 1, 1, 'V', "V"},
    {"LENB", 211, 1, 1, 'V', "V"},
    {"LINEST", 49, 1, 4, 'A', "RRVV"},
    {"LN", 22, 1, 1, 'V', "V"},
    {"LOG", 109, 1, 2, 'V', "V"},
    {"LOG10", 23, 1, 1, 'V', "V"},
    {"LOGEST", 51, 1, 4, 'A', "RRVV"},
    {"LOGINV", 291, 3, 3, 'V', "V"},
    {"LOGNORMDIST", 290, 3, 3, 'V', "V"},
    {"LOOKUP", 28, 2, 3, 'V', "VR"},
    {"LOWER", 112, 1, 1, 'V', "V"},
    {"MATCH", 64, 2, 3, 'V', "VRR"},
    {"MAX", 7, 1, 30, 'V', "R"},
    {"MAXA", 362, 1, 30, 'V', "R"},
    {"MDETERM", 163, 1, 1, 'V', "A"},
    {"MEDIAN", 227, 1, 30, 'V', "R"},
    {"MID", 31, 3, 3, 'V', "V"},
    {"MIDB", 210, 3, 3, 'V', "V"},
    {"MIN", 6, 1, 30, 'V', "R"},
    {"MINA", 363, 1, 30, 'V', "R"},
    {"MINUTE", 72, 1, 1, 'V', "V"},
    {"MINVERSE", 164, 1, 1, 'A', "A"},
    {"MIRR", 61, 3, 3, 'V', "RV"},
    {"MMULT", 165, 2, 2, 'A', "A"},
    {"MOD", 39, 2, 2, 'V', "V"},
    {"MODE", 330, 1, 30, 'V', "A"},
    {"MONTH", 68, 1, 1, 'V', "V"},
    {"N", 131, 1, 1, 'V', "R"},
    {"NA", 10, 0, 0, 'V', ""},
    {"NEGBINOMDIST", 292, 3, 3, 'V', "V"},
    {"NORMDIST", 293, 4, 4, 'V', "V"},
    {"NORMINV", 295, 3, 3, 'V', "V"},
    {"NORMSDIST", 294, 1, 1, 'V', "V"},
    {"NORMSINV", 296, 1, 1, 'V', "V"},
    {"NOT", 38, 1, 1, 'V', "V"},
    {"NOW", 74, 0, 0, 'V', "", true},
    {"NPER", 58, 3, 5, 'V', "V"},
    {"NPV", 11, 2, 30, 'V', "VR"},
    {"ODD", 298, 1, 1, 'V', "V"},
    {"OFFSET", 78, 3, 5, 'R', "RV", true},
    {"OR", 37, 1, 30, 'V', "R"},
    {"PEARSON", 312, 2, 2, 'V', "A"},
    {"PERCENTILE", 328, 2, 2, 'V', "RV"},
    {"PERCENTRANK", 329, 2, 3, 'V', "RV"},
    {"PERMUT", 299, 2, 2, 'V', "V"},
    {"PHONETIC", 360, 1, 1, 'V', "R"},
    {"PI", 19, 0, 0, 'V', ""},
    {"PMT", 59, 3, 5, 'V', "V"},
    {"POISSON", 300, 3, 3, 'V', "V"},
    {"POWER", 337, 2, 2, 'V', "V"},
    {"PPMT", 168, 4, 6, 'V', "V"},
    {"PROB", 317, 3, 4, 'V', "AAV"},
    {"PRODUCT", 183, 1, 30, 'V', "R"},
    {"PROPER", 114, 1, 1, 'V', "V"},
    {"PV", 56, 3, 5, 'V', "V"},
    {"QUARTILE", 327, 2, 2, 'V', "RV"},
    {"RADIANS", 342, 1, 1, 'V', "V"},
    {"RAND", 63, 0, 0, 'V', "", true},
    {"RANK", 216, 2, 3, 'V', "VRV"},
    {"RATE", 60, 3, 6, 'V', "V"},
    {"REPLACE", 119, 4, 4, 'V', "V"},
    {"REPLACEB", 207, 4, 4, 'V', "V"},
    {"REPT", 30, 2, 2, 'V', "V"},
    {"RIGHT", 116, 1, 2, 'V', "V"},
    {"RIGHTB", 209, 1, 2, 'V', "V"},
    {"ROMAN", 354, 1, 2, 'V', "V"},
    {"ROUND", 27, 2, 2, 'V', "V"},
    {"ROUNDDOWN", 213, 2, 2, 'V', "V"},
    {"ROUNDUP", 212, 2, 2, 'V', "V"},
    {"ROW", 8, 0, 1, 'V', "R"},
    {"ROWS", 76, 1, 1, 'V', "R"},
    {"RSQ", 313, 2, 2, 'V', "A"},
    {"SEARCH", 82, 2, 3, 'V', "V"},
    {"SEARCHB", 206, 2, 3, 'V', "V"},
    {"SECOND", 73, 1, 1, 'V', "V"},
    {"SIGN", 26, 1, 1, 'V', "V"},
    {"SIN", 15, 1, 1, 'V', "V"},
    {"SINH", 229, 1, 1, 'V', "V"},
    {"SKEW", 323, 1, 30, 'V', "R"},
    {"SLN", 142, 3, 3, 'V', "V"},
    {"SLOPE", 315, 2, 2, 'V', "A"},
    {"SMALL", 326, 2, 2, 'V', "RV"},
    {"SQRT", 20, 1, 1, 'V', "V"},
    {"STANDARDIZE", 297, 3, 3, 'V', "V"},
    {"STDEV", 12, 1, 30, 'V', "R"},
    {"STDEVA", 366, 1, 30, 'V', "R"},
    {"STDEVP", 193, 1, 30, 'V', "R"},
    {"STDEVPA", 364, 1, 30, 'V', "R"},
    {"STEYX", 314, 2, 2, 'V', "A"},
    {"SUBSTITUTE", 120, 3, 4, 'V', "V"},
    {"SUBTOTAL", 344, 2, 30, 'V', "VR"},
    {"SUM", 4, 0, 30, 'V', "R"},
    {"SUMIF", 345, 2, 3, 'V', "RVR"},
    {"SUMPRODUCT", 228, 1, 30, 'V', "A"},
    {"SUMSQ", 321, 0, 30, 'V', "R"},
    {"SUMX2MY2", 304, 2, 2, 'V', "A"},
    {"SUMX2PY2", 305, 2, 2, 'V', "A"},
    {"SUMXMY2", 303, 2, 2, 'V', "A"},
    {"SYD", 143, 4, 4, 'V', "V"},
    {"T", 130, 1, 1, 'V', "R"},
    {"TAN", 17, 1, 1, 'V', "V"},
    {"TANH", 231, 1, 1, 'V', "V"},
    {"TDIST", 301, 3, 3, 'V', "V"},
    {"TEXT", 48, 2, 2, 'V', "V"},
    {"TIME", 66, 3, 3, 'V', "V"},
    {"TIMEVALUE", 141, 1, 1, 'V', "V"},
    {"TINV", 332, 2, 2, 'V', "V"},
    {"TODAY", 221, 0, 0, 'V', "", true},
    {"TRANSPOSE", 83, 1, 1, 'A', "A"},
    {"TREND", 50, 1, 4, 'A', "RRRV"},
    {"TRIM", 118, 1, 1, 'V', "V"},
    {"TRIMMEAN", 331, 2, 2, 'V', "RV"},
    {"TRUE", 34, 0, 0, 'V', ""},
    {"TRUNC", 197, 1, 2, 'V', "V"},
    {"TTEST", 316, 4, 4, 'V', "AAV"},
    {"TYPE", 86, 1, 1, 'V', "V"},
    {"UPPER", 113, 1, 1, 'V', "V"},
    {"VALUE", 33, 1, 1, 'V', "V"},
    {"VAR", 46, 1, 30, 'V', "R"},
    {"VARA", 367, 1, 30, 'V', "R"},
    {"VARP", 194, 1, 30, 'V', "R"},
    {"VARPA", 365, 1, 30, 'V', "R"},
    {"VDB", 222, 5, 7, 'V', "V"},
    {"VLOOKUP", 102, 3, 4, 'V', "VRRV"},
    {"WEEKDAY", 70, 1, 2, 'V', "V"},
    {"WEIBULL", 302, 4, 4, 'V', "V"},
    {"YEAR", 69, 1, 1, 'V', "V"},
    {"ZTEST", 324, 2, 3, 'V', "RV"},
};


// Functions of the Analysis add-in that comes with Excel 97. Formulas call
// them by name through an add-in link; the number is that of such calls.
constexpr ExcelFunction kAddIns[] = {
    {"ACCRINT", kAddInFunction, 6, 7, 'V', "V"},
    {"ACCRINTM", kAddInFunction, 4, 5, 'V', "V"},
    {"AMORDEGRC", kAddInFunction, 6, 7, 'V', "V"},
    {"AMORLINC", kAddInFunction, 6, 7, 'V', "V"},
    {"BESSELI", kAddInFunction, 2, 2, 'V', "V"},
    {"BESSELJ", kAddInFunction, 2, 2, 'V', "V"},
    {"BESSELK", kAddInFunction, 2, 2, 'V', "V"},
    {"BESSELY", kAddInFunction, 2, 2, 'V', "V"},
    {"BIN2DEC", kAddInFunction, 1, 1, 'V', "V"},
    {"BIN2HEX", kAddInFunction, 1, 2, 'V', "V"},
    {"BIN2OCT", kAddInFunction, 1, 2, 'V', "V"},
    {"COMPLEX", kAddInFunction, 2, 3, 'V', "V"},
    {"CONVERT", kAddInFunction, 3, 3, 'V', "V"},
    {"COUPDAYBS", kAddInFunction, 3, 4, 'V', "V"},
    {"COUPDAYS", kAddInFunction, 3, 4, 'V', "V"},
    {"COUPDAYSNC", kAddInFunction, 3, 4, 'V', "V"},
    {"COUPNCD", kAddInFunction, 3, 4, 'V', "V"},
    {"COUPNUM", kAddInFunction, 3, 4, 'V', "V"},
    {"COUPPCD", kAddInFunction, 3, 4, 'V', "V"},
    {"CUMIPMT", kAddInFunction, 6, 6, 'V', "V"},
    {"CUMPRINC", kAddInFunction, 6, 6, 'V', "V"},
    {"DEC2BIN", kAddInFunction, 1, 2, 'V', "V"},
    {"DEC2HEX", kAddInFunction, 1, 2, 'V', "V"},
    {"DEC2OCT", kAddInFunction, 1, 2, 'V', "V"},
    {"DELTA", kAddInFunction, 1, 2, 'V', "V"},
    {"DISC", kAddInFunction, 4, 5, 'V', "V"},
    {"DOLLARDE", kAddInFunction, 2, 2, 'V', "V"},
    {"DOLLARFR", kAddInFunction, 2, 2, 'V', "V"},
    {"DURATION", kAddInFunction, 5, 6, 'V', "V"},
    {"EDATE", kAddInFunction, 2, 2, 'V', "V"},
    {"EFFECT", kAddInFunction, 2, 2, 'V', "V"},
    {"EOMONTH", kAddInFunction, 2, 2, 'V', "V"},
    {"ERF", kAddInFunction, 1, 2, 'V', "V"},
    {"ERFC", kAddInFunction, 1, 1, 'V', "V"},
    {"FACTDOUBLE", kAddInFunction, 1, 1, 'V', "V"},
    {"FVSCHEDULE", kAddInFunction, 2, 2, 'V', "VR"},
    {"GCD", kAddInFunction, 1, 29, 'V', "R"},
    {"GESTEP", kAddInFunction, 1, 2, 'V', "V"},
    {"HEX2BIN", kAddInFunction, 1, 2, 'V', "V"},
    {"HEX2DEC", kAddInFunction, 1, 1, 'V', "V"},
    {"HEX2OCT", kAddInFunction, 1, 2, 'V', "V"},
    {"IMABS", kAddInFunction, 1, 1, 'V', "V"},
    {"IMAGINARY", kAddInFunction, 1, 1, 'V', "V"},
    {"IMARGUMENT", kAddInFunction, 1, 1, 'V', "V"},
    {"IMCONJUGATE", kAddInFunction, 1, 1, 'V', "V"},
    {"IMCOS", kAddInFunction, 1, 1, 'V', "V"},
    {"IMDIV", kAddInFunction, 2, 2, 'V', "V"},
    {"IMEXP", kAddInFunction, 1, 1, 'V', "V"},
    {"IMLN", kAddInFunction, 1, 1, 'V', "V"},
    {"IMLOG10", kAddInFunction, 1, 1, 'V', "V"},
    {"IMLOG2", kAddInFunction, 1, 1, 'V', "V"},
    {"IMPOWER", kAddInFunction, 2, 2, 'V', "V"},
    {"IMPRODUCT", kAddInFunction, 1, 29, 'V', "R"},
    {"IMREAL", kAddInFunction, 1, 1, 'V', "V"},
    {"IMSIN", kAddInFunction, 1, 1, 'V', "V"},
    {"IMSQRT", kAddInFunction, 1, 1, 'V', "V"},
    {"IMSUB", kAddInFunction, 2, 2, 'V', "V"},
    {"IMSUM", kAddInFunction, 1, 29, 'V', "R"},
    {"INTRATE", kAddInFunction, 4, 5, 'V', "V"},
    {"ISEVEN", kAddInFunction, 1, 1, 'V', "V"},
    {"ISODD", kAddInFunction, 1, 1, 'V', "V"},
    {"LCM", kAddInFunction, 1, 29, 'V', "R"},
    {"MDURATION", kAddInFunction, 5, 6, 'V', "V"},
    {"MROUND", kAddInFunction, 2, 2, 'V', "V"},
    {"MULTINOMIAL", kAddInFunction, 1, 29, 'V', "R"},
    {"NETWORKDAYS", kAddInFunction, 2, 3, 'V', "VVR"},
    {"NOMINAL", kAddInFunction, 2, 2, 'V', "V"},
    {"OCT2BIN", kAddInFunction, 1, 2, 'V', "V"},
    {"OCT2DEC", kAddInFunction, 1, 1, 'V', "V"},
    {"OCT2HEX", kAddInFunction, 1, 2, 'V', "V"},
    {"ODDFPRICE", kAddInFunction, 8, 9, 'V', "V"},
    {"ODDFYIELD", kAddInFunction, 8, 9, 'V', "V"},
    {"ODDLPRICE", kAddInFunction, 7, 8, 'V', "V"},
    {"ODDLYIELD", kAddInFunction, 7, 8, 'V', "V"},
    {"PRICE", kAddInFunction, 6, 7, 'V', "V"},
    {"PRICEDISC", kAddInFunction, 4, 5, 'V', "V"},
    {"PRICEMAT", kAddInFunction, 5, 6, 'V', "V"},
    {"QUOTIENT", kAddInFunction, 2, 2, 'V', "V"},
    {"RANDBETWEEN", kAddInFunction, 2, 2, 'V', "V", true},
    {"RECEIVED", kAddInFunction, 4, 5, 'V', "V"},
    {"SERIESSUM", kAddInFunction, 4, 4, 'V', "VVVR"},
    {"SQRTPI", kAddInFunction, 1, 1, 'V', "V"},
    {"TBILLEQ", kAddInFunction, 3, 3, 'V', "V"},
    {"TBILLPRICE", kAddInFunction, 3, 3, 'V', "V"},
    {"TBILLYIELD", kAddInFunction, 3, 3, 'V', "V"},
    {"WEEKNUM", kAddInFunction, 1, 2, 'V', "V"},
    {"WORKDAY", kAddInFunction, 2, 3, 'V', "VVR"},
    {"XIRR", kAddInFunction, 2, 3, 'V', "RRV"},
    {"XNPV", kAddInFunction, 3, 3, 'V', "VRR"},
    {"YEARFRAC", kAddInFunction, 2, 3, 'V', "V"},
    {"YIELD", kAddInFunction, 6, 7, 'V', "V"},
    {"YIELDDISC", kAddInFunction, 4, 5, 'V', "V"},
    {"YIELDMAT", kAddInFunction, 5, 6, 'V', "V"},
};

template <std::size_t N>
constexpr bool sortedByName(const ExcelFunction (&table)[N])
{
    for (std::size_t i = 1; i < N; ++i)
        if (!(table[i - 1].name < table[i].name))
            return false;
    return true;
}
static_assert(sortedByName(kFunctions), "the function table must stay sorted by name");
static_assert(sortedByName(kAddIns), "the add-in table must stay sorted by name");

template <std::size_t N>
const ExcelFunction* find(const ExcelFunction (&table)[N], const std::string& name)
{
    auto it = std::lower_bound(std::begin(table), std::end(table), name,
                               [](const ExcelFunction& f, const std::string& n) { return f.name < n; });
    return it != std::end(table) && it->name == name ? &*it : nullptr;
}

// Functions that later versions of Excel have built in, which their .xls
// files call through a hidden function name "_xlfn." + name. Sorted.
constexpr std::string_view kLaterExcelFunctions[] = {
    "ACOT", "ACOTH", "AGGREGATE", "ARABIC", "AVERAGEIF", "AVERAGEIFS", "BASE", "BETA.DIST", "BETA.INV",
    "BINOM.DIST", "BINOM.DIST.RANGE", "BINOM.INV", "BITAND", "BITLSHIFT", "BITOR", "BITRSHIFT", "BITXOR",
    "CEILING.MATH", "CEILING.PRECISE", "CHISQ.DIST", "CHISQ.DIST.RT", "CHISQ.INV", "CHISQ.INV.RT", "CHISQ.TEST",
    "COMBINA", "CONCAT", "CONFIDENCE.NORM", "CONFIDENCE.T", "COT", "COTH", "COUNTIFS", "COVARIANCE.P",
    "COVARIANCE.S", "CSC", "CSCH", "DAYS", "DECIMAL", "ECMA.CEILING", "ENCODEURL", "ERF.PRECISE", "ERFC.PRECISE",
    "EXPON.DIST", "F.DIST", "F.DIST.RT", "F.INV", "F.INV.RT", "F.TEST", "FILTERXML", "FLOOR.MATH",
    "FLOOR.PRECISE", "FORECAST.LINEAR", "FORMULATEXT", "GAMMA", "GAMMA.DIST", "GAMMA.INV", "GAMMALN.PRECISE",
    "GAUSS", "HYPGEOM.DIST", "IFERROR", "IFNA", "IFS", "IMCOSH", "IMCOT", "IMCSC", "IMCSCH", "IMSEC", "IMSECH",
    "IMSINH", "IMTAN", "ISFORMULA", "ISO.CEILING", "ISOWEEKNUM", "LOGNORM.DIST", "LOGNORM.INV", "MAXIFS",
    "MINIFS", "MODE.MULT", "MODE.SNGL", "MUNIT", "NEGBINOM.DIST", "NETWORKDAYS.INTL", "NORM.DIST", "NORM.INV",
    "NORM.S.DIST", "NORM.S.INV", "NUMBERVALUE", "PDURATION", "PERCENTILE.EXC", "PERCENTILE.INC",
    "PERCENTRANK.EXC", "PERCENTRANK.INC", "PERMUTATIONA", "PHI", "POISSON.DIST", "QUARTILE.EXC", "QUARTILE.INC",
    "RANK.AVG", "RANK.EQ", "RRI", "SEC", "SECH", "SHEET", "SHEETS", "SKEW.P", "STDEV.P", "STDEV.S", "SUMIFS",
    "SWITCH", "T.DIST", "T.DIST.2T", "T.DIST.RT", "T.INV", "T.INV.2T", "T.TEST", "TEXTJOIN", "UNICHAR",
    "UNICODE", "VAR.P", "VAR.S", "WEBSERVICE", "WEIBULL.DIST", "WORKDAY.INTL", "XOR",
};

constexpr bool sortedNames()
{
    for (std::size_t i = 1; i < std::size(kLaterExcelFunctions); ++i)
        if (!(kLaterExcelFunctions[i - 1] < kLaterExcelFunctions[i]))
            return false;
    return true;
}
static_assert(sortedNames(), "the later functions must stay sorted");

// OpenFormula's FDIST and FINV are the left-tailed distribution of later
// Excel versions (F.DIST, F.INV); Excel 97's functions of those names are
// right-tailed and appear in OpenFormula as LEGACY.FDIST and LEGACY.FINV.
// Older documents (the "oooc:" formulas) meant the right-tailed ones.
constexpr std::pair<std::string_view, std::string_view> kOpenFormulaOnly[] = {
    {"FDIST", "F.DIST"},
    {"FINV", "F.INV"},
};

std::string upperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool isOpenFormulaOnly(std::string_view documentName)
{
    std::string upper = upperCase(documentName);
    for (auto [name, later] : kOpenFormulaOnly)
        if (upper == name)
            return true;
    return false;
}

// "COM.SUN.STAR.SHEET.ADDIN.ANALYSIS.GET" is how older documents name the
// functions of the Analysis add-in.
constexpr std::string_view kNamespaces[] = {"ORG.OPENOFFICE.", "COM.MICROSOFT.", "_XLFN.", "LEGACY.",
                                            "COM.SUN.STAR.SHEET.ADDIN.ANALYSIS.GET"};

}  // namespace

std::string laterFunctionName(std::string_view documentName)
{
    std::string upper = upperCase(documentName);
    for (auto [name, later] : kOpenFormulaOnly)
        if (upper == name)
            return "_xlfn." + std::string(later);
    std::string plain = plainFunctionName(documentName);
    if (std::binary_search(std::begin(kLaterExcelFunctions), std::end(kLaterExcelFunctions), plain))
        return "_xlfn." + plain;
    return {};
}

std::string plainFunctionName(std::string_view documentName)
{
    std::string name(documentName);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (auto prefix : kNamespaces) {
            if (name.starts_with(prefix)) {
                name.erase(0, prefix.size());
                stripped = true;
            }
        }
    }
    return name;
}

const ExcelFunction* findExcelFunction(std::string_view documentName)
{
    if (isOpenFormulaOnly(documentName))
        return nullptr;
    std::string name = plainFunctionName(documentName);
    if (const ExcelFunction* f = find(kFunctions, name))
        return f;
    return find(kAddIns, name);
}

}  // namespace brindlemoor::office::formula
