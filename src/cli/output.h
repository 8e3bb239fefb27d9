#pragma once
// What the commands share for scripts: the --format writers (TSV and JSON lines), the escaping
// that keeps one row on one line, ISO dates, kinds by name, file lists read from standard input
// and the usage errors that end a command with status 2.
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/file_kind.h"

namespace vexilo::cli {

// A bad command line: main prints it under the command's name and exits with status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class OutputFormat { Plain, Tsv, Json };

// The value of --format: "tsv" or "json"; anything else is a usage error.
OutputFormat parseOutputFormat(const std::string& value);

// A field made safe for a tab-separated line: backslash, tab, newline and carriage return become
// \\, \t, \n and \r, so a name holding them neither splits its row nor reads back wrong.
std::string escapeField(std::string_view text);

// One value of a row: a text, a whole number or nothing (null).
using Field = nlohmann::ordered_json;

// Writes rows as TSV (a header line first, texts escaped, nothing as an empty field) or as JSON
// lines (one object per row, keys in column order). Texts that are not valid UTF-8 have U+FFFD
// in place of each bad byte in JSON; TSV keeps every byte.
class RowWriter {
public:
    RowWriter(OutputFormat format, std::vector<std::string> columns, std::ostream& out);
    void row(const std::vector<Field>& fields);

private:
    OutputFormat m_format;
    std::vector<std::string> m_columns;
    std::ostream& m_out;
};

// A kind's name on the command line: its extension without the dot ("png", "tif"), and
// "all-files" for the associated icon of any file.
std::string kindName(FileKind k);
// The kind a command-line word names: a kind's name or other name ("jpeg") in any letter case,
// or its number.
std::optional<FileKind> kindNamed(std::string_view word);
// Every kind's name, "|" between them, for help texts.
std::string kindNames();

// The files a command works on. A lone "-" reads them from standard input instead, one a line,
// or NUL-separated when nulSeparated (-0); empty entries are skipped. "-" among other files and
// -0 without "-" are usage errors. Name a file called "-" as "./-".
std::vector<std::string> fileList(std::vector<std::string> arguments, bool nulSeparated, std::istream& in);

// The help lines of the options several commands share.
extern const char* const kFormatHelp;
extern const char* const kQuietHelp;
extern const char* const kStdinHelp;

}  // namespace vexilo::cli
