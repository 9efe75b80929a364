#include "installer/uninstall_record.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallRecord, LinesInOrderFoldersAndKeysOnce) {
    UninstallRecord record;
    record.record("C:\\Apps\\Tool", RecordKind::folder);
    record.record("C:\\Apps\\Tool\\a.exe", RecordKind::file);
    record.record("c:\\apps\\TOOL", RecordKind::folder);
    record.record("C:\\Apps\\Tool\\a.exe", RecordKind::file);
    record.record("C:\\", RecordKind::folder);
    record.record("C:\\", RecordKind::file);
    record.record(nullptr, RecordKind::file);
    record.record(".tool", static_cast<RecordKind>(7));
    record.record(".TOOL", RecordKind::key);
    EXPECT_STREQ(record.lines().c_str(), "~C:\\Apps\\Tool\r\n"
                                         "C:\\Apps\\Tool\\a.exe\r\n"
                                         "C:\\Apps\\Tool\\a.exe\r\n"
                                         "!.tool\r\n");
    record.reset();
    EXPECT_TRUE(record.lines().is_empty());
    record.record("C:\\Apps\\Tool", RecordKind::folder);
    EXPECT_STREQ(record.lines().c_str(), "~C:\\Apps\\Tool\r\n") << "forgotten with the reset";
}

} // namespace
