#include "installer/command_line.h"

namespace {

// Removes one pair of enclosing double quotes, when there is a quote at both ends.
String unquoted(const String& value) {
    String result(value);
    result.unquote('"');
    return result;
}

} // namespace

bool parse_command_line(const String& text, CommandLine& into, String& complaint) {
    String rest(text);
    for (int atoms = 0; atoms < max_command_line_atoms && !rest.is_empty(); ++atoms) {
        String atom;
        rest.take_token(atom);
        if (atom.is_empty())
            break;
        if (!atom.remove_leading_switch()) {
            complaint = String("Unexpected command line parameter:\n") + atom;
            return false;
        }
        if (atom.is_empty())
            continue; // a lone switch character
        if (atom.compare("A", false, 0x7FFFFFFF) == 0) {
            into.automatic = true;
        } else if (atom.strip_prefix("D:", 0x7FFFFFFF)) {
            into.install_directory = unquoted(atom);
        } else if (atom.strip_prefix("N:", 0x7FFFFFFF)) {
            into.product_name = unquoted(atom);
        } else if (atom.strip_prefix("U", 0x7FFFFFFF)) {
            into.uninstall_requested = true;
            if (atom.remove_leading_char(':'))
                into.uninstall_name = unquoted(atom);
        } else if (atom.strip_prefix("R:\"", 0x7FFFFFFF)) {
            atom.remove_trailing_char('"');
            into.run_after = atom;
        } else {
            complaint = String("Illegal command line atom:\n") + atom;
            return false;
        }
    }
    return true;
}
