#!/usr/bin/python3
"""Puts known faults back into a copy of the product, one at a time, and runs
the tests that must catch each. Exit status 1 when one goes unnoticed, or when
those tests fail without any fault.
  tests/faults.py [FAULT...]      (default: all)
A test is an end-to-end file::name, a unit test suite (win32, under Wine),
"host:FILTER", a Google Test filter over the host tests (native, no Wine), or
"maker:file::name", an end-to-end test with the copy's launcher-make too."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
TREE = ROOT / "build" / "faults" / "tree"  # inside the work tree: scripts/wine-run's chroot sees it
BUILD = TREE / "build"
HOST_BUILD = TREE / "build-host"
COPIED = ["CMakeLists.txt", "CMakePresets.json", "cmake", "docs", "res", "src", "tests", "scripts"]
WINE = ROOT / "scripts" / "wine-run"
UNIT_ENV = dict(os.environ, WINEPREFIX=str(ROOT / "build" / "faults" / "wine-unit"))

# name: (source file, text, faulty text, tests: end-to-end file::test, a unit test name, or host:filter)
FAULTS = {
    "a case-sensitive name order": (
        "image/resource_name.cpp", "if ((c >= u'a' && c <= u'z') || (c >= 0xE0", "if ((c >= 0xE0",
        ["host:*ResourceOrder*"]),
    "IDs unsorted": (
        "image/resource_name.cpp", "return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;",
        "return a.id > b.id ? -1 : a.id < b.id ? 1 : 0;", ["host:*ResourceOrder*"]),
    "the checksum's length term dropped": (
        "image/pe_checksum.cpp", "return static_cast<std::uint32_t>(sum) + fileLength;",
        "(void)fileLength;\n    return static_cast<std::uint32_t>(sum);", ["host:ImageWrite.Checksum*"]),
    "the certificate directory kept": (
        "image/image_layout.cpp", "Put32(Directory(pe::kSecurityDirectory), 0);\n            "
        "Put32(Directory(pe::kSecurityDirectory) + 4, 0);", "", ["host:ImageWrite.Certificate*"]),
    "the relocation directory left at the old place": (
        "image/image_layout.cpp", "Put32(relocations, Get32(relocations) + moved);",
        "(void)relocations, (void)moved;", ["host:ImageWrite.Relocations*"]),
    "leaves sharing their data copied once each": (
        "image/resource_reader.cpp",
        "return reader.LeavesOverlap() ? ImageReadResult{Failure::TreeDataShared} : kRead;", "return kRead;", ["host:ImageWrite.LeavesSharing*"]),
    "a data directory in no section accepted": (
        "image/image_reader.cpp", "if (!inHeaders && !inSection) return Fail(Failure::DirectoryOutsideSections, d);",
        "(void)inHeaders, (void)inSection;",
        ["host:*DamagedSource*"]),
    "a package longer than measured cut short": (
        "image/image_writer.cpp", "(std::fgetc(stream) != EOF || std::ferror(stream))", "std::ferror(stream)",
        ["host:ImageWrite.PackageOfAnotherLength*"]),
    "the resources left where the file alignment puts them": (
        "image/image_layout.cpp", "    nextRaw = AlignUp(nextRaw, kPageSize);\n", "",
        ["host:ImageWrite.Relocations*"]),
    "image limit one byte off": (
        "image/image_layout.cpp", "imageBase + kLargestExecutableShift + imageSize > kSystemDllRange",
        "imageBase + kLargestExecutableShift + imageSize >= kSystemDllRange", ["host:ImageWrite.ImageLimit*"]),
    "an option line msiexec cannot get accepted": (
        "maker/make_options.cpp", "if (Utf16Length(optarg) > kLongestOptionLine) {",
        "if (Utf16Length(optarg) > 2 * kLongestOptionLine) {", ["host:*MakeOptionsParse*"]),
    "version resource's children unaligned": (
        "image/version_resource.cpp", "        PadTo32Bits(out);\n        Serialize(child, out);",
        "        Serialize(child, out);", ["host:VersionResource.*"]),
    "version texts' lengths in bytes": (
        "image/version_resource.cpp", "node.valueLength = static_cast<std::uint16_t>(kept.text.size() + 1);",
        "node.valueLength = static_cast<std::uint16_t>(2 * kept.text.size() + 2);", ["host:VersionResource.*"]),
    "product version past Windows Installer's limits": (
        "maker/product_version.cpp", "limits[] = {255, 255, 65535, 65535};",
        "limits[] = {65535, 65535, 65535, 65535};", ["host:VersionResource.ProductVersions*"]),
    "icon group numbers its images from 0": (
        "image/icon_file.cpp", "static_cast<std::uint16_t>(i + 1));", "static_cast<std::uint16_t>(i));",
        ["host:IconFile.*"]),
    "overlong UTF-8 let through": (
        "common/utf8.cpp", "value >= lead.smallest && ", "", ["host:TextEscape.*", "host:Utf8.*"]),
    "YAML line separator unescaped": (
        "maker/text_escape.cpp", "c == 0x2028 || ", "", ["host:TextEscape.*"]),
    "the carried package never read": (
        "maker/launcher_facts.cpp", "package->data.size == 0) return true;", "package->data.size != 0) return true;",
        ["host:LauncherFacts.*"]),
    "carried option line read past its NUL": (
        "maker/launcher_facts.cpp", "return text.substr(0, text.find('\\0'));", "return text;",
        ["host:LauncherFacts.*"]),
    "the launcher's icon images kept beside the new ones": (
        "maker/product_resources.cpp", "for (const ResourceKey& key : images) model.RemoveLeaf(key);", "(void)images;",
        ["host:ProductResources.*"]),
    "package code from the wrong summary property": (
        "maker/package_info.cpp", "LIBMSI_PROPERTY_UUID", "LIBMSI_PROPERTY_SUBJECT", ["host:PackageInfo.*"]),
    "summary property read without its type": (
        "maker/package_info.cpp", "if (error || type != LIBMSI_PROPERTY_TYPE_STRING) return std::string();\n"
        "    raw = nullptr;\n    const gchar* text = libmsi_summary_info_get_string(summary, property, &raw);\n"
        "    error.reset(raw);\n    return text && !error ?",
        "(void)type;\n    const gchar* text = libmsi_summary_info_get_string(summary, property, &raw);\n"
        "    return text ?", ["host:PackageInfo.*"]),
    "icon images that share bytes copied": (
        "image/icon_file.cpp",
        "if (!ApartFromEachOther(", "if (false && !ApartFromEachOther(", ["host:IconFile.*"]),
    "product info read in the maker's own process": (
        "maker/launcher_facts.cpp", "const PackageInfoResult read = ReadPackageInfoApart(fd, facts.package);",
        "PackageInfoResult read;\n    read.status = ReadPackageInfo(\"/proc/self/fd/\" + std::to_string(fd), "
        "facts.package) ? PackageInfoStatus::Read : PackageInfoStatus::NotDatabase;", ["host:LauncherFacts.*"]),
    "the reader's answer believed with bytes after it": (
        "maker/package_info_answer.cpp", "if (!reader.AtEnd()) return PackageAnswer::Garbled;", "",
        ["host:PackageAnswer.*"]),
    "the reader's address space unlimited": (
        "maker/child_process.cpp", "return setrlimit(RLIMIT_AS, &space) == 0;", "return true;",
        ["host:ChildProcess.*"]),
    "the maker's signal handlers kept in the reader": (
        "maker/child_process.cpp", "    DefaultSignals();\n", "    (void)DefaultSignals;\n", ["host:ChildProcess.*"]),
    "TMPDIR ignored": (
        "maker/unnamed_file.cpp", 'const char* folder = std::getenv("TMPDIR");', "const char* folder = nullptr;",
        ["host:LauncherFacts.*"]),
    "an empty directory at a section's end taken as in it": (
        "image/image_reader.cpp", "return rva >= start && rva < end && rva + size <= end;",
        "return rva >= start && rva + size <= end;", ["host:*DamagedSource*"]),
    "SIGUSR1 leaves the partial file": (
        "maker/temporary_file.cpp", "SIGUSR1, SIGSEGV", "SIGSEGV", ["host:*TemporaryFile*"]),
    "FileDescription's Setup cut with the name": (
        "image/version_resource.cpp", 'Kept(u"FileDescription", texts.productName, u" Setup")',
        'Kept(u"FileDescription", texts.productName + " Setup")', ["host:VersionResource.*"]),
    "a cut version text unreported": (
        "maker/product_resources.cpp", "for (const std::string& key : CutVersionTexts(texts)) {",
        "for (const std::string& key : std::vector<std::string>()) {", ["host:ProductResources.*"]),
    "msiexec by bare name": (
        "launch/installer_command_line.cpp", 'SystemFilePath("msiexec.exe")', '"msiexec.exe"',
        ["test_planting.py::test_planted_msiexec_never_runs"]),
    "params read past the resource": (
        "launch/own_resource.cpp", "const void* terminator = std::memchr(view.data, '\\0', view.size);\n"
        "    size_t length = terminator ? static_cast<const char*>(terminator) - view.data : view.size;",
        "size_t length = std::strlen(view.data);",
        ["test_hostile_input.py::test_option_text_is_the_bytes_before_the_first_nul_or_the_resource_end"]),
    "log message not cut at 1023": (
        "core/log.cpp", "kMessageBufferSize = 1024;", "kMessageBufferSize = 16384;",
        ["test_hostile_input.py::test_hostile_update_arguments_are_logged_and_staged_literally"]),
    "taken temporary names never recycled": (
        "launch/tmp_file_generator.cpp", "    if (ReserveByRecycling(stem, name)) return true;\n", "",
        ["test_load.py::test_full_temp_folder_recycles_only_names_no_installer_is_using"]),
    "an ANSI function back on the temporary path": (
        "launch/tmp_file_generator.cpp",
        "    wchar_t folder[MAX_PATH] = {};\n    const DWORD length = GetTempPathW(MAX_PATH, folder);\n"
        "    std::string path;\n    if (length == 0 || length >= MAX_PATH || !Narrow(folder, length, path)) "
        "return std::string();\n    return path;",
        "    char folder[MAX_PATH] = {};\n    const DWORD length = GetTempPathA(MAX_PATH, folder);\n"
        "    if (length == 0 || length >= MAX_PATH) return std::string();\n    return std::string(folder, length);",
        ["test_unicode.py::test_people_and_setups_named_in_any_script_install_as_their_ascii_twin"]),
    "any failure means the name exists": (
        "core/exclusive_file.cpp", "            return Reservation::FolderRefused;",
        "            return Reservation::NameTaken;",
        ["test_launch.py::test_unusable_temp_folder_fails_at_once_and_tells_a_person",
         "test_update.py::test_unusable_target_is_shown_with_its_reason", "CreateExclusiveFile"]),
    # Neither the write's result nor its count heeded. (Under Wine a full
    # disk is reported as written: only the read-back sees it.)
    "short write ignored": (
        "launch/package_file.cpp",
        "if (!WriteFile(writer, package.data + offset, piece, &written, nullptr)) return GetLastError();\n"
        "        if (written != piece) return ERROR_WRITE_FAULT;",
        "WriteFile(writer, package.data + offset, piece, &written, nullptr);", ["PackageFile"]),
    "read-back skipped": (
        "launch/package_file.cpp", "result.readBack = ReadBackPackage(hold.get(), package);",
        "(void)package;\n    result.readBack = {ReadBack::Same, ERROR_SUCCESS};", ["PackageFile"]),
    "the upper half's difference ignored": (
        "launch/read_back.cpp",
        "if (lower.outcome == ReadBack::Different || upper.outcome == ReadBack::Same) return lower;", "return lower;",
        ["PackageFile"]),
    "an allocation failure reported as a changed package": (
        "launch/read_back.cpp", "if (!view) return Failure(GetLastError());",
        "if (!view) return {ReadBack::Different, ERROR_SUCCESS};", ["PackageFile"]),
    "the hold shared with writers": (
        "launch/package_file.cpp", "GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING",
        "GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING", ["PackageFile"]),
    "the reservation's writer shared with writers": (
        "core/exclusive_file.cpp", "return CreateWith(path, FILE_SHARE_READ);",
        "return CreateWith(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);",
        ["CreateExclusiveFile"]),
    "the writer still open when the package is held": (
        "launch/extraction.cpp", "const DWORD closeError = file.CloseWriter();",
        "const DWORD closeError = ERROR_SUCCESS;", ["PackageFile", "test_launch.py::test_installers_exit_code_is_the_launchers"]),
    "a reservation classification swapped": (
        "core/exclusive_file.cpp", "return NameIsHeld(path) ? Reservation::NameTaken : Reservation::FolderRefused;",
        "return NameIsHeld(path) ? Reservation::FolderRefused : Reservation::NameTaken;", ["ClassifyRefusal"]),
    "silence read from the arguments under an option line": (
        "common/launch_plan.cpp", "const bool silent = RequestsSilentRun(options);",
        "const bool silent = RequestsSilentRun(OptionsFromArguments(arguments));", ["host:LaunchPlan.*"]),
    "failed copy of -update unreported": (
        "update/launcher_copy.cpp", "    ShowMessage(kCopyFailed);\n    return false;", "    return false;",
        ["test_update.py::test_failed_copy_is_shown_and_leaves_nothing"]),
    "number on the folder, not the file name": (
        "common/numbered_name.cpp", 'return name.substr(0, fileNameStart) + "(" + std::to_string(number) + ")" +',
        'return "(" + std::to_string(number) + ")" + name.substr(0, fileNameStart) +',
        ["host:NumberedName.*"]),
    "per-user and per-machine swapped": (
        "launch/installer_command_line.cpp", '"MSIINSTALLPERUSER=0 " : "MSIINSTALLPERUSER=1 "',
        '"MSIINSTALLPERUSER=1 " : "MSIINSTALLPERUSER=0 "',
        ["test_hostile_input.py::test_hostile_arguments_reach_msiexec_literally", "InstallerParameters",
         "test_hostile_input.py::test_a_launcher_started_at_medium_integrity_chooses_by_the_level_it_runs_at"]),
    "installer's exit code dropped": (
        "launch/default_action.cpp", "exitCode_ = result.exitCode;", "",
        ["test_launch.py::test_installers_exit_code_is_the_launchers"]),
    # Arguments passed on as the caller quoted them.
    "arguments joined unquoted again": (
        "common/forwarded_arguments.cpp", "options += ForwardedArgument(argument);", "options += argument;",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written",
         "test_real_install.py::test_quoted_values_install_where_the_deployment_command_line_says"]),
    "a property value's blank left unquoted": (
        "common/forwarded_arguments.cpp",
        "return argument.substr(0, equals + 1) + '\"' + argument.substr(equals + 1) + '\"';", "return argument;",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written",
         "test_real_install.py::test_quoted_values_install_where_the_deployment_command_line_says"]),
    "the switch group quoted": (
        "common/forwarded_arguments.cpp", "if (argument[0] == '/' || argument[0] == '-') return argument;", "",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written",
         "test_real_install.py::test_quoted_values_install_where_the_deployment_command_line_says"]),
    "an argument that holds a quote quoted again": (
        "common/forwarded_arguments.cpp", " || argument.find('\"') != std::string::npos", "",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written",
         "test_real_install.py::test_quoted_values_install_where_the_deployment_command_line_says"]),
    "a tab taken for no blank": (
        "common/forwarded_arguments.cpp", 'argument.find_first_of(" \\t")', "argument.find_first_of(' ')",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written"]),
    "a trailing backslash escaped": (
        "common/forwarded_arguments.cpp", "+ argument.substr(equals + 1) + '\"';",
        "+ argument.substr(equals + 1) + (argument.back() == '\\\\' ? \"\\\\\\\"\" : \"\\\"\");",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written"]),
    "any name taken for a property name": (
        "common/forwarded_arguments.cpp", "if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;",
        "if (name.empty()) return false;",
        ["host:ForwardedArguments.*", "test_hostile_input.py::test_deployment_command_lines_reach_msiexec_as_written"]),
    "a command line one unit past the limit let through": (
        "common/payload.h", "return units < kCommandLineLimit;", "return units <= kCommandLineLimit;",
        ["host:ForwardedArguments.*",
         "test_hostile_input.py::test_options_too_long_for_one_command_line_never_reach_msiexec_cut"]),
    # The per-user choice from the integrity level.
    "medium logged as low": (
        "launch/integrity.cpp", 'case IntegrityClass::Medium: return "Process has Medium Integrity";',
        'case IntegrityClass::Medium: return "Process has Low Integrity";', ["InstallerParameters"]),
    "no integrity answer taken as per-user": (
        "launch/integrity.cpp", "if (!level) return true;", "if (!level) return false;", ["InstallerParameters"]),
    "medium-plus taken as high": (
        "launch/integrity.cpp", "if (relativeIdentifier < kHighIntegrityFloor) return IntegrityClass::Medium;",
        "if (relativeIdentifier == kMediumIntegrityFloor) return IntegrityClass::Medium;", ["InstallerParameters"]),
    "low logged as medium": (
        "launch/integrity.cpp", 'case IntegrityClass::Low: return "Process has Low Integrity";',
        'case IntegrityClass::Low: return "Process has Medium Integrity";', ["InstallerParameters"]),
    "the level read for an option line": (
        "launch/installer_command_line.cpp",
        '    if (!optionsFromResource) {\n        parameters += IsProcesPrivileged(readLevel) ?',
        '    const bool privileged = IsProcesPrivileged(readLevel);\n    if (!optionsFromResource) {\n'
        '        parameters += privileged ?',
        ["InstallerParameters",
         "test_hostile_input.py::test_option_text_is_the_bytes_before_the_first_nul_or_the_resource_end"]),
    "the level not read for the arguments": (
        "launch/installer_command_line.cpp", "IsProcesPrivileged(readLevel) ?", "((void)readLevel, true) ?",
        ["InstallerParameters",
         "test_hostile_input.py::test_a_launcher_started_at_medium_integrity_chooses_by_the_level_it_runs_at"]),
    "an existing output replaced without --force": (
        "maker/output_set.cpp", "    if (!replace_) {\n", "    if (false) {\n", ["host:OutputGate.*"]),
    "an input taken for an output": (
        "maker/output_set.cpp", "if (std::find(inputs.begin(), inputs.end(), FileIdentity{target.st_dev, target.st_ino})",
        "if (false && std::find(inputs.begin(), inputs.end(), FileIdentity{target.st_dev, target.st_ino})",
        ["host:OutputGate.*"]),
    "a device or FIFO replaced by an output": (
        "maker/tool_report.cpp", "if (S_ISREG(mode)) return true;", "if (!S_ISDIR(mode)) return true;",
        ["host:OutputGate.*"]),
    "an output published before a later one failed is left": (
        "maker/output_set.cpp", "            unlink(outputs_[i].path.c_str());", "", ["host:OutputGate.*"]),
    "an absent property described as an empty text": (
        "maker/deployment_metadata.cpp", "return known && !text.empty() ? JsonString(text)",
        "return known ? JsonString(text)", ["host:DescribeJson.*"]),
    "a dual-purpose package given a winget Scope": (
        "maker/deployment_metadata.cpp", 'return scope == "perUser" ? "Scope: user\\n" : "";', 'return "Scope: user\\n";',
        ["host:WingetManifests.*"]),
    "a ProductVersion with a slash taken for a PackageVersion": (
        "maker/winget_rules.cpp", "        if (IsControl(c) || IsReserved(c)) return false;\n    }\n    return true;\n}\n\n"
        "bool IsWingetUrl", "        if (IsControl(c)) return false;\n    }\n    return true;\n}\n\nbool IsWingetUrl",
        ["host:WingetRules.*", "host:WingetManifests.*"]),
    "a blank taken in a package identifier": (
        "maker/winget_rules.cpp", "return c == ' ' || (c >= 0x09", "return (c >= 0x09",
        ["host:WingetRules.*"]),
    "a too short Comments taken for ShortDescription": (
        "maker/winget_manifests.cpp", "if (Fits(*text, kShortestDescription, kLongestDescription)) return *text;",
        "return *text;", ["host:WingetManifests.*"]),
    "the summary's words not passed back by the reader": (
        "maker/package_info_answer.cpp", "    &PackageInfo::subject,        &PackageInfo::comments,\n", "",
        ["host:PackageAnswer.*", "host:PackageInfoApart.*"]),
    "the launcher hashed from where its stream stood": (
        "maker/file_digest.cpp", "    std::rewind(stream);\n", "", ["host:FileDigest.*"]),
    "a check's reason misnamed": (
        "image/image_reader.cpp", "return Fail(Failure::SectionUnaligned, i + 1);",
        "return Fail(Failure::SectionSizeUnaligned, i + 1);",
        ["host:*DamagedSource*",
         "maker:test_damaged_input.py::test_damaged_launcher_is_refused_whole_never_run_broken"]),
    "the failed section's number lost": (
        "image/image_reader.cpp", "return Fail(Failure::SectionPastEnd, i + 1);", "return Fail(Failure::SectionPastEnd);",
        ["host:*DamagedSource*",
         "maker:test_damaged_input.py::test_damaged_launcher_is_refused_whole_never_run_broken"]),
    "the maker's error line without the reason": (
        "maker/launcher_make.cpp", '"not a launcher image (damaged, or not a launcher.exe): " + reason;',
        '"not a launcher image (damaged, or not a launcher.exe)" + reason.substr(reason.size());',
        ["maker:test_damaged_input.py::test_damaged_launcher_is_refused_whole_never_run_broken"]),
    "an unchanged copy cut short of the measured length": (
        "image/image_writer.cpp", "CopySource(0, source_.Size());", "CopySource(0, source_.Size() / 2);",
        ["host:ImageWrite.UnchangedCopy*"]),
    "the model's changes unseen": (
        "image/image_model.cpp", "changed_ = changed_ || set;", "(void)changed_;", ["host:ImageModel.*"]),
    # The plain copy of -update reads the launcher by name again, with CopyFileW.
    "-update's plain copy by path": (
        "update/launcher_copy.cpp",
        '#include "core/log.h"\n#include "update/create_new_wrapper.h"\n\nnamespace ZORVANE {\n\n'
        "bool createNewWrapper::CopyLauncher(OwnLauncher& own, ReservedName& target) {\n"
        "    // Through a temporary file as well: a copy cut short must not pass for a\n"
        "    // launcher under the name.\n    ResourceUpdate copy(own.image, target);\n"
        "    const UpdateCommit commit = copy.IsOpen() ? copy.CommitUnchanged() : UpdateCommit::WriteFailed;",
        '#include "core/log.h"\n#include "core/wide_text.h"\n#include "update/create_new_wrapper.h"\n\n'
        "namespace ZORVANE {\n\nbool createNewWrapper::CopyLauncher(OwnLauncher& own, ReservedName& target) {\n"
        "    TemporaryLauncherFile copy(target.Path());\n    std::wstring from, to;\n"
        "    const bool copied = copy.IsOpen() && Widen(own.path, from) && Widen(copy.Path(), to) &&\n"
        "                        CopyFileW(from.c_str(), to.c_str(), FALSE) && target.FillWith(copy);\n"
        "    const UpdateCommit commit = copied ? UpdateCommit::Committed : UpdateCommit::WriteFailed;",
        ["test_update.py::test_a_plain_copy_is_a_new_file_of_the_checked_bytes"]),
    "numbered names from 0": (
        "update/name_reservation.cpp", "NumberedName(baseName, attempt)", "NumberedName(baseName, attempt - 1)",
        ["VerifyFileName"]),
    "a hundred and first name tried": (
        "update/name_reservation.cpp", "constexpr unsigned kNameAttempts = 100;",
        "constexpr unsigned kNameAttempts = 101;",
        ["VerifyFileName"]),
    "argument without a sign taken as a key": (
        "update/update_arguments.cpp", "if (sign == std::string::npos) return false;",
        "if (sign == std::string::npos) return key = argument, value.clear(), false;", ["ParseArgument"]),
    "argument split at the last sign": (
        "update/update_arguments.cpp", "argument.find('=')", "argument.rfind('=')", ["ParseArgument"]),
    "any existing cache entry is trusted": (
        "launch/package_cache.cpp",
        "if (trust != CacheTrust::Trusted) return {Found::Refused, RefusedAt(path, TrustProblem(trust))};",
        "(void)trust;", ["test_package_cache.py::test_an_entry_others_may_write_is_never_run"]),
    "a cache folder others may write is used": (
        "launch/package_cache.cpp",
        "return trust == CacheTrust::Trusted ? Done() : RefusedAt(path, TrustProblem(trust));",
        "return (void)trust, Done();", ["test_package_cache.py::test_an_entry_others_may_write_is_never_run"]),
    "a grant to change permissions overlooked": (
        "launch/cache_security.cpp", "FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER",
        "FILE_WRITE_ATTRIBUTES | DELETE | WRITE_OWNER", ["CacheSecurity"]),
    "the kept package of a failed installation left": (
        "launch/kept_package.cpp", "if (result.installerEnded && LeavesProductInstalled(result.exitCode)) return;",
        "if (result.installerEnded) return;", ["test_package_cache.py::test_a_failed_installation_leaves_no_entry"]),
    "the entries of uninstalled products kept": (
        "launch/package_cache.cpp", "|| ProductMayBeInstalled(code)) return;", "|| !code.empty()) return;",
        ["test_package_cache.py::test_a_kept_package_is_the_recorded_source_until_its_product_is_gone"]),
    "a marked source marked again": (
        "image/launcher_image.cpp", "if (!replacement.keepPackage || CarriesKeepPackageMark(model)) return true;",
        "if (!replacement.keepPackage) return true;", ["host:*KeepPackageMark*"]),
    "the launcher blind to its mark": (
        "launch/own_payload.cpp", "payload.keepPackage = ReadKeepMark(module);",
        "payload.keepPackage = ReadKeepMark(module) && false;",
        ["test_package_cache.py::test_a_kept_package_is_the_recorded_source_until_its_product_is_gone"]),
    "a version with a path in it names an entry": (
        "common/cache_key.cpp", "} else if (c < '0' || c > '9' || ++digits > kLongestVersionField) {",
        "} else if (++digits > 64) {", ["host:CacheKey.*"]),
}


def run(*command, **kwargs):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs).returncode


def prepare(tests):
    """The copy made equal to the sources; what differs is written anew, so
    that the build, which is kept between runs, sees every change. Only the
    trees the tests need are configured."""
    for name in COPIED:
        source = ROOT / name
        for path in source.rglob("*") if source.is_dir() else [source]:
            copy = TREE / path.relative_to(ROOT)
            if path.is_file() and "__pycache__" not in path.parts and \
                    (not copy.exists() or copy.read_bytes() != path.read_bytes()):
                copy.parent.mkdir(parents=True, exist_ok=True)
                shutil.copy(path, copy)  # with its mode: scripts stay executable
    if any(map(needs_host_build, tests)) and not (HOST_BUILD / "build.ninja").exists():
        subprocess.run(["cmake", "-S", TREE, "-B", HOST_BUILD, "-G", "Ninja", "-DLAUNCHER_TESTS=ON",
                        "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    if all(map(is_host, tests)):
        return
    if not (BUILD / "build.ninja").exists():
        subprocess.run(["cmake", "-S", TREE, "-B", BUILD, "-G", "Ninja", "-DLAUNCHER_TESTS=ON",
                        f"-DCMAKE_TOOLCHAIN_FILE={TREE}/cmake/mingw-i686.cmake", "-DCMAKE_BUILD_TYPE=MinSizeRel"],
                       check=True, stdout=subprocess.DEVNULL)
    run(WINE, "wineserver", "-p", env=UNIT_ENV)
    run(WINE, "wineboot", "-i", env=UNIT_ENV)


def is_host(test):
    return test.startswith("host:")


def is_maker(test):
    return test.startswith("maker:")


def needs_host_build(test):
    return is_host(test) or is_maker(test)


def command(test):
    """pytest for an end-to-end test (file::name), ctest for a unit test suite,
    the host test program for host:filter."""
    if is_host(test):
        return [HOST_BUILD / "tests" / "host" / "host_tests", f"--gtest_filter={test[5:]}"]
    if is_maker(test):
        return command(test[6:])
    if ".py::" in test:
        return ["/usr/bin/python3", "-m", "pytest", "-q", "-p", "no:cacheprovider", f"tests/e2e/{test}"]
    return ["ctest", "--test-dir", BUILD, "--no-tests=error", "-R", f"^{test}\\."]


def failing(tests):
    """Those of tests that fail against the copy's build; None when it does not build."""
    if any(map(is_host, tests)) and run("cmake", "--build", HOST_BUILD, "--target", "host_tests") != 0:
        return None
    if any(map(is_maker, tests)) and run("cmake", "--build", HOST_BUILD, "--target", "launcher-make",
                                         "launcher-make-checked") != 0:
        return None
    if not all(map(is_host, tests)) and run("cmake", "--build", BUILD) != 0:
        return None
    env = dict(UNIT_ENV, LAUNCHER_BUILD=str(BUILD))
    maker = dict(env, LAUNCHER_MAKE=str(HOST_BUILD / "launcher-make"))
    return [test for test in tests if run(*command(test), cwd=ROOT, env=maker if is_maker(test) else env)]


def with_fault(file, text, faulty, check):
    path = TREE / "src" / file
    original = path.read_text()
    assert original.count(text) == 1, f"{file}: the text to change is not there exactly once: {text!r}"
    path.write_text(original.replace(text, faulty))
    try:
        return check()
    finally:
        path.write_text(original)


def main(names):
    chosen = {name: FAULTS[name] for name in names or FAULTS}
    tests = sorted({test for fault in chosen.values() for test in fault[3]})
    prepare(tests)
    broken = failing(tests)
    if broken != []:
        print(f"without any fault: {'no build' if broken is None else 'failing ' + ', '.join(broken)}")
        return 1
    missed = 0
    for name, (file, text, faulty, tests) in chosen.items():
        failed = with_fault(file, text, faulty, lambda: failing(tests))
        verdict = "NO BUILD" if failed is None else f"caught by {', '.join(failed)}" if failed else "MISSED"
        print(f"{name}: {verdict}", flush=True)
        missed += not failed
    if not all(map(is_host, tests)):
        run("cmake", "--build", BUILD)  # the copy left built as it is
        run(WINE, "wineserver", "-k", env=UNIT_ENV)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

