#include "cli/output.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>
#include <ostream>

namespace vexilo::cli {

OutputFormat parseOutputFormat(const std::string& value) {
    if (value == "tsv") return OutputFormat::Tsv;
    if (value == "json") return OutputFormat::Json;
    throw UsageError("--format must be tsv or json, not \"" + value + "\"");
}

std::string escapeField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

RowWriter::RowWriter(OutputFormat format, std::vector<std::string> columns, std::ostream& out)
    : m_format(format), m_columns(std::move(columns)), m_out(out) {
    if (m_format != OutputFormat::Tsv) return;
    for (std::size_t i = 0; i < m_columns.size(); ++i) m_out << (i ? "\t" : "") << m_columns[i];
    m_out << '\n';
}

void RowWriter::row(const std::vector<Field>& fields) {
    if (m_format == OutputFormat::Json) {
        Field object = Field::object();
        for (std::size_t i = 0; i < m_columns.size() && i < fields.size(); ++i)
            object[m_columns[i]] = fields[i];
        m_out << object.dump(-1, ' ', false, Field::error_handler_t::replace) << '\n';
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) m_out << '\t';
        const Field& f = fields[i];
        if (f.is_string())
            m_out << escapeField(f.get_ref<const std::string&>());
        else if (!f.is_null())
            m_out << f.dump();
    }
    m_out << '\n';
}

std::string kindName(FileKind k) {
    if (k == kind::AllFiles) return "all-files";
    const char* extension = fileKindExtension(k);
    return *extension == '.' ? extension + 1 : extension;
}

std::optional<FileKind> kindNamed(std::string_view word) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    int number = -1;
    const auto [end, error] = std::from_chars(lower.data(), lower.data() + lower.size(), number);
    const bool isNumber = error == std::errc() && end == lower.data() + lower.size();
    for (const FileFormat& format : fileFormats())
        if (isNumber ? number == format.kind
                     : lower == kindName(format.kind) || (*format.alias && lower == format.alias))
            return format.kind;
    return std::nullopt;
}

std::string kindNames() {
    std::string out;
    for (const FileFormat& format : fileFormats()) out += (out.empty() ? "" : "|") + kindName(format.kind);
    return out;
}

std::vector<std::string> fileList(std::vector<std::string> arguments, bool nulSeparated, std::istream& in) {
    const bool fromInput = std::find(arguments.begin(), arguments.end(), "-") != arguments.end();
    if (fromInput && arguments.size() > 1)
        throw UsageError("\"-\" reads the files from standard input: give no other FILE");
    if (nulSeparated && !fromInput) throw UsageError("-0 goes with \"-\" as the FILE");
    if (!fromInput) return arguments;
    std::vector<std::string> files;
    for (std::string name; std::getline(in, name, nulSeparated ? '\0' : '\n');)
        if (!name.empty()) files.push_back(std::move(name));
    return files;
}

const char* const kFormatHelp =
    "  --format tsv|json   machine-readable rows: TSV with a header line (tab, newline, carriage\n"
    "                      return and backslash in a field written as \\t, \\n, \\r and \\\\; an\n"
    "                      empty field for nothing), or JSON lines (one object a line, null for\n"
    "                      nothing; bytes that are not UTF-8 become U+FFFD); dates YYYY-MM-DD,\n"
    "                      times HH:MM:SS\n";
const char* const kQuietHelp =
    "  --quiet             no progress and no summary on standard error; errors still\n";
const char* const kStdinHelp =
    "  -                   as the only FILE: read the files from standard input, one a line\n"
    "  -0                  with \"-\": the names on standard input end with a NUL byte instead\n";

}  // namespace vexilo::cli
