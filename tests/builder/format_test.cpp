// Round trips of the builder's writers through the stub's readers: whatever the
// builder writes, the stub reads back as it was meant.

#include "builder/payload_writer.h"
#include "builder/script_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/format/memory_payload_files.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/sample_pe.h"
#include "tests/support/string_text.h"

namespace {

String bytes_of(const std::string& s) {
    return String(s.data(), static_cast<std::int32_t>(s.size()));
}

InstallScript full_script() {
    InstallScript s;
    s.flags.bits = flag_mask(flag_master_product) | flag_mask(flag_gradient_colours) | flag_mask(40);
    s.minimum_stage_time = 9999;
    s.shortcut_mode = 2;
    s.uninstaller_date = TimeStamp{2024, 5, 6, 7, 8, 9};
    s.publisher = "Acme";
    s.default_product_name = "Tool";
    s.shared_path = "Acme Shared";
    s.start_menu = "Acme\\Tool";
    s.default_directory = "%ProgramFiles%\\Tool";
    s.display_version = "2.1";
    s.product_registry = "Software\\Acme\\Tool";
    s.licence_pages.add(String("Licence one\r\n"));
    s.licence_pages.add(String(""));
    s.readme_pages.add(String("Read me"));
    s.uninstall_subdir = "Uninstall";
    s.volume_base_name = "TOOL";
    s.uninstaller_file_name = "Uninstall Tool.exe";
    s.uninstall_key_name = "Acme Tool";
    s.title_colour = 0x00FFEE;
    s.top_colour = 0x102030;
    s.bottom_colour = -1;
    s.background_picture = bytes_of(std::string("BM\0\0\x01\xFF", 6));
    s.master_product_key = "Acme Base";
    s.desktop_folder = "Acme";
    s.batch_before_files = "echo before";
    s.batch_after_files = "echo after";
    s.final_batch = "echo final";
    s.uninstall_batch1 = "echo u1";
    s.uninstall_batch2 = "echo u2";
    for (int i = 0; i < script_reserved_size; ++i)
        s.reserved[i] = static_cast<unsigned char>(200 + i);
    s.excluded_systems = 0x3;
    s.first_volume_number = 0;
    s.uninstaller_patch_offset = 0x400;
    s.uninstaller_patch.set_length(uninstaller_patch_size);
    for (int i = 0; i < uninstaller_patch_size; ++i)
        s.uninstaller_patch.data()[i] = static_cast<char>(i * 7);
    FileDeletion deletion;
    deletion.path = "%InstallDir%\\old.dll";
    deletion.condition = 5;
    deletion.value = "1024";
    deletion.options = 2;
    s.deletions.add(deletion);
    deletion.path = "~~the end~~";
    deletion.condition = 255;
    s.deletions.add(deletion);
    FileAssociation association;
    association.flags = 1;
    association.extension = ".tl";
    association.file_type = "Tool.Doc";
    association.description = "Tool document";
    association.verb = "open";
    association.verb_caption = "&Open";
    association.command = "\"%InstallDir%\\tool.exe\" \"%1\"";
    association.language = "English";
    association.default_icon = "%InstallDir%\\tool.exe,1";
    s.associations.add(association);
    UninstallData value;
    value.name = "EstimatedSize";
    value.kind = 4;
    value.value = "1234";
    s.uninstall_values.add(value);
    value.name = "HelpLink";
    value.kind = 2;
    value.value = "%InstallDir%\\help.htm";
    s.uninstall_values.add(value);
    s.language_names.add(String("English"));
    s.language_names.add(String("Deutsch"));
    for (int n = 0; n < 30; ++n) {
        Vector<String>& texts = s.language_strings.add(Vector<String>());
        texts.add(String(("Text " + std::to_string(n) + "\r\nline two").c_str()));
        texts.add(String(n == 3 ? "" : ("Text de " + std::to_string(n)).c_str()));
    }
    return s;
}

void expect_same_texts(const Vector<String>& a, const Vector<String>& b, const char* what) {
    ASSERT_EQ(a.count(), b.count()) << what;
    for (std::int32_t i = 0; i < a.count(); ++i)
        EXPECT_EQ(text_of(*a.element(i)), text_of(*b.element(i))) << what << " " << i;
}

void expect_same(const InstallScript& a, const InstallScript& b) {
    EXPECT_EQ(a.flags.bits, b.flags.bits);
    EXPECT_EQ(a.minimum_stage_time, b.minimum_stage_time);
    EXPECT_EQ(a.shortcut_mode, b.shortcut_mode);
    EXPECT_EQ(compare_time_stamps(a.uninstaller_date, b.uninstaller_date), 0);
    const String InstallScript::*texts[] = {
        &InstallScript::publisher,          &InstallScript::default_product_name,
        &InstallScript::shared_path,        &InstallScript::start_menu,
        &InstallScript::default_directory,  &InstallScript::display_version,
        &InstallScript::product_registry,   &InstallScript::uninstall_subdir,
        &InstallScript::volume_base_name,   &InstallScript::uninstaller_file_name,
        &InstallScript::uninstall_key_name, &InstallScript::background_picture,
        &InstallScript::master_product_key, &InstallScript::desktop_folder,
        &InstallScript::batch_before_files, &InstallScript::batch_after_files,
        &InstallScript::final_batch,        &InstallScript::uninstall_batch1,
        &InstallScript::uninstall_batch2,   &InstallScript::uninstaller_patch};
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i)
        EXPECT_EQ(text_of(a.*texts[i]), text_of(b.*texts[i])) << "text field " << i;
    EXPECT_EQ(a.title_colour, b.title_colour);
    EXPECT_EQ(a.top_colour, b.top_colour);
    EXPECT_EQ(a.bottom_colour, b.bottom_colour);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.reserved), script_reserved_size),
              std::string(reinterpret_cast<const char*>(b.reserved), script_reserved_size));
    EXPECT_EQ(a.excluded_systems, b.excluded_systems);
    EXPECT_EQ(a.first_volume_number, b.first_volume_number);
    EXPECT_EQ(a.uninstaller_patch_offset, b.uninstaller_patch_offset);
    expect_same_texts(a.licence_pages, b.licence_pages, "licence");
    expect_same_texts(a.readme_pages, b.readme_pages, "read-me");
    ASSERT_EQ(a.deletions.count(), b.deletions.count());
    for (std::int32_t i = 0; i < a.deletions.count(); ++i) {
        const FileDeletion& x = *a.deletions.element(i);
        const FileDeletion& y = *b.deletions.element(i);
        EXPECT_EQ(text_of(x.path) + "|" + std::to_string(x.condition) + "|" + text_of(x.value) + "|" +
                      std::to_string(x.options),
                  text_of(y.path) + "|" + std::to_string(y.condition) + "|" + text_of(y.value) + "|" +
                      std::to_string(y.options));
    }
    ASSERT_EQ(a.associations.count(), b.associations.count());
    for (std::int32_t i = 0; i < a.associations.count(); ++i) {
        const FileAssociation& x = *a.associations.element(i);
        const FileAssociation& y = *b.associations.element(i);
        EXPECT_EQ(x.flags, y.flags);
        EXPECT_EQ(
            text_of(x.extension) + text_of(x.file_type) + text_of(x.description) + text_of(x.verb) +
                text_of(x.verb_caption) + text_of(x.command) + text_of(x.language) + text_of(x.default_icon),
            text_of(y.extension) + text_of(y.file_type) + text_of(y.description) + text_of(y.verb) +
                text_of(y.verb_caption) + text_of(y.command) + text_of(y.language) + text_of(y.default_icon));
    }
    ASSERT_EQ(a.uninstall_values.count(), b.uninstall_values.count());
    for (std::int32_t i = 0; i < a.uninstall_values.count(); ++i) {
        const UninstallData& x = *a.uninstall_values.element(i);
        const UninstallData& y = *b.uninstall_values.element(i);
        EXPECT_EQ(text_of(x.name) + "|" + std::to_string(x.kind) + "|" + text_of(x.value),
                  text_of(y.name) + "|" + std::to_string(y.kind) + "|" + text_of(y.value));
    }
    expect_same_texts(a.language_names, b.language_names, "language names");
    ASSERT_EQ(a.language_strings.count(), b.language_strings.count());
    for (std::int32_t n = 0; n < a.language_strings.count(); ++n)
        expect_same_texts(*a.language_strings.element(n), *b.language_strings.element(n), "language string");
}

TEST(ScriptWriter, WhatIsWrittenReadsBackField_by_field) {
    InstallScript written = full_script();
    String bytes;
    std::string error;
    ASSERT_TRUE(write_script(written, bytes, error)) << error;
    InstallScript read;
    std::int32_t read_length = 0;
    ASSERT_EQ(parse_script(bytes, bytes.hash(), read, &read_length), 0);
    EXPECT_EQ(read_length, bytes.length());
    expect_same(written, read);

    // Without the optional parts.
    written.flags.bits = 0;
    written.master_product_key.clear();
    written.background_picture.clear();
    written.uninstaller_patch_offset = 0;
    written.uninstaller_patch.clear();
    written.deletions.clear();
    written.associations.clear();
    written.uninstall_values.clear();
    written.licence_pages.clear();
    written.readme_pages.clear();
    ASSERT_TRUE(write_script(written, bytes, error)) << error;
    ASSERT_EQ(parse_script(bytes, bytes.hash(), read), 0);
    expect_same(written, read);
}

TEST(ScriptWriter, RefusesWhatTheStubWouldRefuseOrReadDifferently) {
    struct Case {
        const char* what;
        void (*damage)(InstallScript&);
        const char* error_part;
    } cases[] = {
        {"blank volume base name", [](InstallScript& s) { s.volume_base_name = "  "; }, "volume base name"},
        {"blank uninstaller name", [](InstallScript& s) { s.uninstaller_file_name.clear(); },
         "uninstaller file"},
        {"short patch block", [](InstallScript& s) { s.uninstaller_patch.set_length(100); }, "patch block"},
        {"stage time", [](InstallScript& s) { s.minimum_stage_time = 10000; }, "stage time"},
        {"NUL in a text", [](InstallScript& s) { s.publisher = bytes_of(std::string("Ac\0me", 5)); }, "NUL"},
        {"end marker as path", [](InstallScript& s) { s.deletions.element(0)->path = "~~THE END~~"; }, "end"},
        {"missing translation", [](InstallScript& s) { s.language_strings.element(4)->remove_last(); },
         "language string 4"},
        {"master key without flag", [](InstallScript& s) { s.flags.bits = 0; }, "master"},
        {"no language", [](InstallScript& s) { s.language_names.clear(); }, "languages"},
        {"too many deletions",
         [](InstallScript& s) {
             for (int i = 0; i < 1000; ++i)
                 s.deletions.add(FileDeletion());
         },
         "deletions"},
    };
    for (const Case& c : cases) {
        InstallScript s = full_script();
        c.damage(s);
        String bytes;
        std::string error;
        EXPECT_FALSE(write_script(s, bytes, error)) << c.what;
        EXPECT_NE(error.find(c.error_part), std::string::npos) << c.what << ": " << error;
    }
}

std::vector<FileRecord> sample_files() {
    std::vector<FileRecord> files;
    FileRecord f;
    f.name = "tool.exe";
    f.destination = 0;
    f.options = 1;
    f.attributes = 0x20;
    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += "tool " + std::to_string(i % 97) + ";";
    f.data = bytes_of(data);
    f.time = TimeStamp{2023, 12, 31, 23, 59, 58};
    f.version = "2.1.0.7";
    f.icon_file = "tool.ico";
    f.arguments = "/start";
    f.target_path = "";
    files.push_back(f);
    f = FileRecord();
    f.name = "empty.txt";
    f.destination = 6;
    f.target_path = "%WinDir%\\empty.txt";
    files.push_back(f);
    f = FileRecord();
    f.name = "shared.dll";
    f.destination = 1;
    f.options = 4;
    f.data = bytes_of(std::string("\x00\x01\x02\xFF\xFE", 5));
    files.push_back(f);
    return files;
}

struct ReadBack {
    PayloadHeader header;
    InstallScript script;
    std::vector<FileRecord> files;
    RecordedRequests requests;
};

// Reads a built payload as the stub does, with the volumes in the installer's folder.
void read_back(const BuiltPayload& built, ReadBack& out) {
    PayloadCursor cursor;
    cursor.view(built.section.c_str(), built.section.length());
    ASSERT_EQ(check_payload_header(cursor, out.header), 0);
    EXPECT_EQ(out.header.payload_length, built.section.length());
    String script;
    ASSERT_EQ(unpack_script_block(cursor, out.header, script), 0);
    ASSERT_EQ(parse_script(script, out.header.script_key, out.script), 0);

    MemoryPayloadFiles files;
    for (size_t i = 0; i < built.volumes.size(); ++i)
        files.volumes["D:\\" + built.volume_names[i]] = built.volumes[i];
    VolumeSet volumes{String("D:\\"), out.script.volume_base_name, out.script.first_volume_number};
    ASSERT_EQ(gather_file_data(cursor, out.header, out.script.flags, volumes, files, out.requests), 0);
    for (std::int32_t i = 0; i < out.header.file_count; ++i) {
        FileRecord record;
        ASSERT_EQ(read_file_record(cursor, *out.header.file_sizes.element(i), record), 0) << i;
        out.files.push_back(record);
    }
    EXPECT_EQ(cursor.remaining(), 0);
}

void expect_same_files(const std::vector<FileRecord>& a, const std::vector<FileRecord>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(text_of(a[i].name), text_of(b[i].name));
        EXPECT_EQ(a[i].destination, b[i].destination);
        EXPECT_EQ(a[i].options, b[i].options);
        EXPECT_EQ(a[i].attributes, b[i].attributes);
        EXPECT_EQ(text_of(a[i].data), text_of(b[i].data));
        EXPECT_EQ(compare_time_stamps(a[i].time, b[i].time), 0);
        EXPECT_EQ(text_of(a[i].version), text_of(b[i].version));
        EXPECT_EQ(text_of(a[i].icon_file), text_of(b[i].icon_file));
        EXPECT_EQ(text_of(a[i].arguments), text_of(b[i].arguments));
        EXPECT_EQ(text_of(a[i].target_path), text_of(b[i].target_path));
    }
}

TEST(PayloadWriter, RoundTripsWithAndWithoutPackingAndVolumes) {
    struct Case {
        const char* what;
        bool pack;
        std::int64_t volume_size;
        std::int64_t section_data_size;
        size_t least_volumes;
    } cases[] = {
        {"plain, in the section", false, 0, -1, 0},
        {"packed, in the section", true, 0, -1, 0},
        {"plain, in volumes of 20000", false, 20000, -1, 1},
        {"plain, nothing in the section", false, 10004, 0, 3},
        {"packed, in volumes of 104", true, 104, 50, 3},
        {"volumes asked for, but all fits", false, 1 << 20, -1, 0},
    };
    const std::vector<FileRecord> files = sample_files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PayloadOptions options;
        options.pack_file_data = c.pack;
        options.volume_size = c.volume_size;
        options.section_data_size = c.section_data_size;
        BuiltPayload built;
        std::string error;
        InstallScript script = full_script();
        ASSERT_TRUE(write_payload(script, files, options, built, error)) << error;
        ReadBack back;
        read_back(built, back);
        // The section holds what it may; every volume but the last is full.
        std::int64_t in_section = back.header.payload_length - back.header.data_offset;
        std::int64_t total = in_section;
        for (size_t i = 0; i < built.volumes.size(); ++i) {
            if (i + 1 < built.volumes.size()) {
                EXPECT_EQ(built.volumes[i].length(), c.volume_size);
            }
            EXPECT_LE(built.volumes[i].length(), c.volume_size);
            EXPECT_EQ(built.volume_names[i], "TOOL" + std::to_string(i + 2) + ".VNK");
            total += built.volumes[i].length() - 4;
        }
        EXPECT_EQ(total, back.header.file_data_size);
        if (c.least_volumes == 0) {
            EXPECT_TRUE(built.volumes.empty());
        }
        EXPECT_GE(built.volumes.size(), c.least_volumes);
        if (c.section_data_size >= 0) {
            EXPECT_EQ(in_section, c.section_data_size);
        }
        EXPECT_EQ(back.script.flags.has(flag_packed_file_data), c.pack);
        EXPECT_EQ(back.requests.asked.size(), 0u);
        if (!built.volumes.empty()) {
            EXPECT_NE(back.script.first_volume_number, 0);
        }
        script.flags = back.script.flags;
        script.first_volume_number = back.script.first_volume_number;
        expect_same(script, back.script);
        expect_same_files(files, back.files);
    }
}

TEST(PayloadWriter, VolumesOfAnotherBuildAreRefused) {
    PayloadOptions options;
    options.volume_size = 10000;
    std::vector<FileRecord> files = sample_files();
    BuiltPayload first;
    BuiltPayload second;
    std::string error;
    ASSERT_TRUE(write_payload(full_script(), files, options, first, error)) << error;
    files[0].data.put_bytes("X", 100, 1);
    ASSERT_TRUE(write_payload(full_script(), files, options, second, error)) << error;
    ASSERT_EQ(first.volumes.size(), second.volumes.size());
    EXPECT_NE(first.first_volume_tag, second.first_volume_tag);

    PayloadCursor cursor;
    cursor.view(first.section.c_str(), first.section.length());
    PayloadHeader header;
    ASSERT_EQ(check_payload_header(cursor, header), 0);
    MemoryPayloadFiles volumes_of_second;
    for (size_t i = 0; i < second.volumes.size(); ++i)
        volumes_of_second.volumes[second.volume_names[i]] = second.volumes[i];
    RecordedRequests requests;
    VolumeSet set{String(), String("TOOL"), first.first_volume_tag};
    EXPECT_EQ(gather_file_data(cursor, header, ProductFlags(), set, volumes_of_second, requests),
              volume_request_refused);
    EXPECT_EQ(requests.asked, (std::vector<std::string>{"2:TOOL2.VNK:wrong_volume"}));
}

TEST(PayloadWriter, SameInputsGiveTheSameBytesAndTheStubChecksumIsStored) {
    PayloadOptions options;
    options.pack_file_data = true;
    options.stub_checksum = 0xCAFEF00D;
    BuiltPayload a;
    BuiltPayload b;
    std::string error;
    ASSERT_TRUE(write_payload(full_script(), sample_files(), options, a, error)) << error;
    ASSERT_TRUE(write_payload(full_script(), sample_files(), options, b, error)) << error;
    EXPECT_EQ(a.section, b.section);

    set_stub_checksum(a.section, 0x12345678);
    PayloadCursor cursor;
    cursor.view(a.section.c_str(), a.section.length());
    PayloadHeader header;
    ASSERT_EQ(check_payload_header(cursor, header), 0);
    EXPECT_EQ(header.stub_checksum, 0x12345678u);
    EXPECT_EQ(header.script_key, a.script_key);
}

TEST(PayloadWriter, RefusesFilesTheStubWouldRefuse) {
    struct Case {
        const char* what;
        void (*damage)(std::vector<FileRecord>&);
        const char* error_part;
    } cases[] = {
        {"no name", [](std::vector<FileRecord>& f) { f[1].name.clear(); }, "no name"},
        {"destination 2", [](std::vector<FileRecord>& f) { f[1].destination = 2; }, "destination kind 2"},
        {"icon without option", [](std::vector<FileRecord>& f) { f[0].options = 0; }, "icon file"},
        {"NUL in version", [](std::vector<FileRecord>& f) { f[0].version = bytes_of(std::string("1\0", 2)); },
         "NUL"},
    };
    for (const Case& c : cases) {
        std::vector<FileRecord> files = sample_files();
        c.damage(files);
        BuiltPayload built;
        std::string error;
        EXPECT_FALSE(write_payload(full_script(), files, PayloadOptions(), built, error)) << c.what;
        EXPECT_NE(error.find(c.error_part), std::string::npos) << c.what << ": " << error;
    }
    BuiltPayload built;
    std::string error;
    PayloadOptions tiny;
    tiny.volume_size = 4;
    EXPECT_FALSE(write_payload(full_script(), sample_files(), tiny, built, error));
}

TEST(FileRecords, DamagedRecordsGiveTheirCodes) {
    struct Case {
        const char* what;
        void (*damage)(String& area);
        int code;
    } cases[] = {
        {"empty name", [](String& a) { a.data()[0] = 0; }, 70},
        {"destination 3", [](String& a) { a.put_int32(9, 3); }, 110},
        {"data byte", [](String& a) { a.data()[9 + 12] ^= 1; }, 100},
        {"cut short", [](String& a) { a.truncate(a.length() - 1); }, corrupt_payload_overrun},
    };
    std::vector<FileRecord> files(1);
    files[0].name = "tool.exe"; // 9 bytes with its NUL
    files[0].data = "payload";
    BuiltPayload built;
    std::string error;
    ASSERT_TRUE(write_payload(full_script(), files, PayloadOptions(), built, error)) << error;
    PayloadCursor cursor;
    cursor.view(built.section.c_str(), built.section.length());
    PayloadHeader header;
    ASSERT_EQ(check_payload_header(cursor, header), 0);
    String area = built.section.substring(header.data_offset);
    for (const Case& c : cases) {
        String damaged = area;
        c.damage(damaged);
        PayloadCursor records;
        records.view(damaged.c_str(), damaged.length());
        FileRecord record;
        EXPECT_EQ(read_file_record(records, 7, record), c.code) << c.what;
    }

    // Any kind will do for a record that says where it goes.
    files[0].target_path = "%InstallDir%\\sub\\";
    ASSERT_TRUE(write_payload(full_script(), files, PayloadOptions(), built, error)) << error;
    String targeted = built.section.substring(header.data_offset);
    targeted.put_int32(9, 3);
    PayloadCursor records;
    records.view(targeted.c_str(), targeted.length());
    FileRecord record;
    EXPECT_EQ(read_file_record(records, 7, record), 0);
    EXPECT_EQ(record.destination, 3);
}

// A real Windows image: one of its sections taken as the payload. The copy must be
// the image without that section's bytes, every later section's raw data found at
// its rewritten offset.
String sample_image() {
    return read_sample_pe();
}

TEST(UninstallerImage, OfARealImageStaysConsistent) {
    const String original = sample_image();
    ASSERT_GT(original.length(), 4096) << "sample PE file missing: " << VARNOOK_SAMPLE_PE;
    const std::int32_t pe = original.get_int32(0x3C) & 0xFFFF;
    const std::int32_t count = static_cast<unsigned char>(original.char_at(pe + 6));
    const std::int32_t table = pe + 24 + (original.get_int32(pe + 20) & 0xFFFF);
    ASSERT_GE(count, 5);
    for (std::int32_t payload : {count - 1, count / 2}) {
        SCOPED_TRACE(payload);
        String image = original;
        image.put_bytes(".vrnk\0\0\0", table + 40 * payload, 8);
        PayloadSection section;
        ASSERT_EQ(find_payload_section(image, section), payload_section_found);
        ASSERT_EQ(section.index, payload);
        ASSERT_GT(section.raw_size, 0);
        MemoryPayloadFiles files;
        files.image = image;
        String copy;
        ASSERT_EQ(make_uninstaller_image(files, section, PayloadHeader(), ProductFlags(), 0, String(), copy),
                  0);

        EXPECT_EQ(copy.length(), original.length() - section.raw_size);
        EXPECT_EQ(static_cast<unsigned char>(copy.char_at(pe + 6)), count - 1);
        EXPECT_EQ(copy.get_int32(pe + 80), original.get_int32(pe + 80) - section.raw_size);
        PayloadSection none;
        EXPECT_EQ(find_payload_section(copy, none), payload_section_missing);
        for (std::int32_t slot = 0; slot < count - 1; ++slot) {
            std::int32_t old_slot = slot < payload ? slot : slot + 1;
            EXPECT_EQ(copy.substring(table + 40 * slot, 8), original.substring(table + 40 * old_slot, 8))
                << slot;
            std::int32_t raw_size = copy.get_int32(table + 40 * slot + 16);
            std::int32_t raw_offset = copy.get_int32(table + 40 * slot + 20);
            std::int32_t old_offset = original.get_int32(table + 40 * old_slot + 20);
            if (raw_size > 0) {
                EXPECT_EQ(copy.substring(raw_offset, raw_size), original.substring(old_offset, raw_size))
                    << slot;
            }
        }
        // What lies behind the last section (here the symbol table) is kept.
        EXPECT_EQ(copy.substring(copy.length() - 4096), original.substring(original.length() - 4096));
    }
}

// Reads a payload section through every stage with codes instead of fatal endings:
// 0 when the whole payload was accepted.
int read_all_stages(const String& section, InstallScript& script, std::vector<FileRecord>& records) {
    PayloadCursor cursor;
    cursor.view(section.c_str(), section.length());
    PayloadHeader header;
    if (int code = check_payload_header(cursor, header))
        return code;
    String unpacked;
    if (int code = unpack_script_block(cursor, header, unpacked))
        return code;
    if (int code = parse_script(unpacked, header.script_key, script))
        return code;
    MemoryPayloadFiles no_files;
    RecordedRequests requests;
    VolumeSet volumes{String(), script.volume_base_name, script.first_volume_number};
    if (int code = gather_file_data(cursor, header, script.flags, volumes, no_files, requests))
        return code;
    records.clear();
    for (std::int32_t i = 0; i < header.file_count; ++i) {
        FileRecord record;
        if (int code = read_file_record(cursor, *header.file_sizes.element(i), record))
            return code;
        records.push_back(record);
    }
    return 0;
}

TEST(PayloadReader, EveryDamagedByteIsCaughtOrHarmless) {
    for (bool pack : {false, true}) {
        PayloadOptions options;
        options.pack_file_data = pack;
        BuiltPayload built;
        std::string error;
        const InstallScript written = full_script();
        const std::vector<FileRecord> files = sample_files();
        ASSERT_TRUE(write_payload(written, files, options, built, error)) << error;
        InstallScript script;
        std::vector<FileRecord> records;
        ASSERT_EQ(read_all_stages(built.section, script, records), 0);

        // Header, script block and (sampled) file data, each byte changed in turn:
        // either a check refuses it or what is read is what was written.
        const std::int32_t step_in_data = pack ? 1 : 61;
        for (std::int32_t at = 0; at < built.section.length(); at += at < 2048 ? 1 : step_in_data) {
            if (at >= payload_stub_checksum_field && at < payload_stub_checksum_field + 4)
                continue; // compared only on request, by the uninstaller image
            String damaged = built.section;
            damaged.data()[at] ^= static_cast<char>(0x5A);
            InstallScript damaged_script;
            std::vector<FileRecord> damaged_records;
            if (read_all_stages(damaged, damaged_script, damaged_records) != 0)
                continue;
            SCOPED_TRACE(at);
            expect_same(script, damaged_script);
            expect_same_files(files, damaged_records);
        }
    }
}

} // namespace
