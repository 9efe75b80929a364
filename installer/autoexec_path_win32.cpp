#include "installer/autoexec_path.h"

#include "core/file.h"
#include "core/filesystem.h"

String add_to_path(const DirectoryValues& values, bool add) {
    String autoexec;
    autoexec.format("%c:\\autoexec.bat", boot_drive(values.machine));
    const String& directory = values.install_directory;
    String failure = path_edit_failure(autoexec, add, directory);

    File file;
    if (file.open(autoexec, add ? File::open_or_create : File::open_existing) != open_success)
        return failure;
    // A file that cannot be read whole is not edited: an addition could repeat the
    // line, a removal could cut the file short. The user is told as for a failed
    // open, and so for a failed write.
    String text;
    if (!file.read_all(text))
        return failure;
    String line = path_line(short_path(directory.c_str()));
    if (add) {
        String addition = path_line_addition(text, line);
        if (!addition.is_empty() && !(file.seek_end(0) && file.write(addition.data(), addition.length())))
            return failure;
        return String();
    }
    if (remove_path_line(text, line) && !file.replace_content(text))
        return failure;
    return String();
}
