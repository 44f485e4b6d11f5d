// The settings file as the registry: the shared contract, what the file holds, and
// what a crash, a second program or a broken file does to it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "LinuxTestSupport.h"
#include "contract/ServiceContracts.h"
#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

namespace fs = std::filesystem;

class SettingsRegistryTest : public ::testing::Test {
protected:
    TempFolder temp;
    SettingsLocation where{temp.path + "/config/velvinor/registry.txt", temp.path + "/data"};
    std::unique_ptr<Registry> reg = CreateSettingsRegistry(where);
    const std::string product = "\\Software\\Trelkon\\Velvinor";
};

TEST_F(SettingsRegistryTest, KeepsTheRegistryContract) {
    contract::Report report;
    contract::RegistryContract(*reg, "\\Software\\VelvinorContract", report);
    EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

TEST_F(SettingsRegistryTest, TheFileHoldsTheKeysInUtf8AndAnotherRunReadsThem) {
    ASSERT_TRUE(reg->CreateKey(product));
    ASSERT_TRUE(reg->WriteString(product, "", "Transfering"));
    ASSERT_TRUE(reg->WriteString(product, "Level", "3"));
    ASSERT_TRUE(reg->WriteString(product, Ru("Имя"), Ru("Вася \"Пётр\"\\ \r\n")));

    const std::string text = ReadText(where.file);
    EXPECT_NE(text.find("[Software\\Trelkon\\Velvinor]\n@=\"Transfering\"\n\"Level\"=\"3\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Имя\"=\"Вася \\\"Пётр\\\"\\\\ \\r\\n\""), std::string::npos) << text;
    EXPECT_EQ(fs::status(where.file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    auto again = CreateSettingsRegistry(where);
    EXPECT_EQ(again->ValueNames(product), (std::vector<std::string>{"", "Level", Ru("Имя")}));
    EXPECT_EQ(again->ReadString(product, Ru("имя")), std::nullopt) << "only A-Z fold";
    EXPECT_EQ(again->ReadString(product, Ru("Имя")), Ru("Вася \"Пётр\"\\ \r\n"));
    EXPECT_TRUE(again->KeyExists("software\\trelkon"));
    EXPECT_TRUE(again->DeleteKey("\\Software\\Trelkon"));
    EXPECT_FALSE(reg->KeyExists(product)) << "each call reads the file";
}

TEST_F(SettingsRegistryTest, ProgramFilesDirIsTheUsersDataFolderAndTheSystemsOwn) {
    const std::string version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(reg->ReadString(version, "ProgramFilesDir"), where.dataFolder);
    EXPECT_FALSE(reg->WriteString(version, "ProgramFilesDir", "/elsewhere"));
    EXPECT_FALSE(reg->DeleteValue(version, "programfilesdir"));
    EXPECT_FALSE(reg->DeleteKey("\\Software\\Microsoft")) << "a key above the system's";
    EXPECT_FALSE(reg->DeleteKey("Software"));
    EXPECT_TRUE(reg->WriteString(version, "Other", "x")) << "other values of that key are stored";
    EXPECT_EQ(CreateSettingsRegistry(where)->ValueNames(version), (std::vector<std::string>{"ProgramFilesDir", "Other"}));
    EXPECT_EQ(ReadText(where.file).find("ProgramFilesDir"), std::string::npos);

    SettingsLocation greek{where.file, temp.path + "/δεδομένα"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(CreateSettingsRegistry(greek)->ReadString(version, "ProgramFilesDir"), std::nullopt);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("δεδομένα"), std::string::npos);
}

TEST_F(SettingsRegistryTest, ValuesOfOtherTypesReadAsTheRegistryReadsThemAndSurviveAWrite) {
    const std::string original =
        "[Software\\Trelkon\\Velvinor]\n"
        "\"Count\"=dword:0000000a\n"
        "\"Blob\"=hex:01,ff,00\n"
        "\"Path\"=hex(2):25,48,00\n"
        "\"List\"=hex(7):61,00,00\n"
        "\"Odd\"=hex(b):01\n"
        "\"Name\"=\"x\"\n";
    WriteText(where.file, original);
    EXPECT_EQ(reg->ValueType(product, "count"), RegValueType::DWord);
    EXPECT_EQ(reg->ReadString(product, "Count"), std::nullopt);
    EXPECT_EQ(reg->ValueType(product, "Blob"), RegValueType::Binary);
    EXPECT_EQ(reg->ReadString(product, "Blob"), std::nullopt);
    EXPECT_EQ(reg->ValueType(product, "Path"), RegValueType::ExpandString);
    EXPECT_EQ(reg->ReadString(product, "Path"), "%H") << "an expandable string reads, up to its NUL";
    EXPECT_EQ(reg->ValueType(product, "List"), RegValueType::MultiString);
    EXPECT_EQ(reg->ValueType(product, "Odd"), RegValueType::Other);

    ASSERT_TRUE(reg->WriteString(product, "Count", "11")) << "a string replaces a value of any type";
    EXPECT_EQ(reg->ValueType(product, "Count"), RegValueType::String);
    std::string expected = original;
    expected.replace(expected.find("dword:0000000a"), 14, "\"11\"");
    EXPECT_NE(ReadText(where.file).find(expected), std::string::npos) << ReadText(where.file);
}

TEST_F(SettingsRegistryTest, ABrokenFileIsPutAsideWholeWhatCanBeReadIsKeptAndTheFamilyIsTold) {
    std::vector<std::string> boxes;
    where.tell = [&](const std::string& text) { boxes.push_back(text); };
    reg = CreateSettingsRegistry(where);
    const std::string broken =
        "[Software\\Trelkon\\Velvinor]\n\"Level\"=\"3\"\n\"Half\"=\"no end\n\"Name\"=\"\xff\"\n"
        "[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]\n@=\"/games/velvinor\"\n";
    WriteText(where.file, broken);
    testing::internal::CaptureStderr();
    EXPECT_EQ(reg->ReadString(product, "Level"), "3") << "an installed game still reads as installed";
    EXPECT_EQ(reg->ReadString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe", ""),
              "/games/velvinor");
    EXPECT_EQ(reg->ValueNames(product), (std::vector<std::string>{"Level"}));
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("строка 3"), std::string::npos) << told;

    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(fs::path(where.file).parent_path()))
        if (entry.path().filename().string().rfind("registry.txt.bad-", 0) == 0) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadText(aside[0].string()), broken);
    EXPECT_NE(told.find(aside[0].string()), std::string::npos) << told;
    ASSERT_EQ(boxes.size(), 1u) << "told once, in a box";
    EXPECT_NE(boxes[0].find("поврежден"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find(aside[0].string()), std::string::npos) << boxes[0];

    // The file holds what was kept, whole again: another run reads it without a word.
    testing::internal::CaptureStderr();
    auto again = CreateSettingsRegistry(where);
    EXPECT_EQ(again->ReadString(product, "Level"), "3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(reg->WriteString(product, "Level", "4"));
    EXPECT_EQ(again->ReadString(product, "Level"), "4");
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(SettingsRegistryTest, BrokenFilesOfEveryKind) {
    const char* const cases[] = {
        "\"Level\"=\"3\"\n",                                // a value before any key
        "[Software]\nLevel=3\n",                           // an unquoted name
        "[Software]\n\"A\"=dword:1\n",                     // a short number
        "[Software]\n\"A\"=hex:1,2\n",                     // half bytes
        "[Software]\n\"b\"=\"y\"\n\"B\"=\"x\"\n",           // the same name twice
        "[Software]\n\"A\"=\"\\q\"\n",                      // an unknown escape
        "[Software]\n\"A\"=\"x\" junk\n",                  // something after the text
        "[Software]\n\"A\"=\"\xff\"\n",                     // not UTF-8
        "[]\n\"A\"=\"x\"\n[Software]\n",                   // a key without a name, and its values
        "[Software\n\"A\"=\"x\"\n[Software]\n",             // a key without its end
    };
    for (const char* text : cases) {
        WriteText(where.file, text);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(reg->KeyExists("Software\\x")) << text;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("поврежден"), std::string::npos) << text;
        EXPECT_FALSE(reg->ValueType("Software", "A").has_value()) << text;
        EXPECT_TRUE(fs::exists(where.file)) << text;
    }
}

TEST_F(SettingsRegistryTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // Root reads any file whatever its mode; a folder in the file's place cannot be read.
    fs::create_directories(where.file);
    WriteText(where.file + "/keep", "x");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reg->CreateKey(product));
    EXPECT_FALSE(reg->KeyExists(product));
    EXPECT_FALSE(reg->CreateKey(product));
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("не читается"), std::string::npos) << told;
    EXPECT_EQ(told.find("не читается"), told.rfind("не читается")) << "told once: " << told;
    EXPECT_EQ(ReadText(where.file + "/keep"), "x");
}

TEST_F(SettingsRegistryTest, AProgramKilledWhileWritingLeavesAWholeFile) {
    ASSERT_TRUE(reg->CreateKey(product));
    for (int round = 0; round < 12; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto writer = CreateSettingsRegistry(where);
            for (int i = 0;; ++i) writer->WriteString(product, "V" + std::to_string(i % 40), std::string(200 + i % 300, 'x'));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + 7 * round));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        testing::internal::CaptureStderr();
        auto reader = CreateSettingsRegistry(where);
        EXPECT_TRUE(reader->KeyExists(product)) << "round " << round;
        const std::string told = testing::internal::GetCapturedStderr();
        ASSERT_EQ(told, "") << "round " << round;
    }
}

TEST_F(SettingsRegistryTest, TwoProgramsWritingAtOnceLoseNothing) {
    ASSERT_TRUE(reg->CreateKey(product));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto writer = CreateSettingsRegistry(where);
        for (int i = 0; i < 60; ++i) writer->WriteString(product, "Child" + std::to_string(i), "c");
        _exit(0);
    }
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(reg->WriteString(product, "Parent" + std::to_string(i), "p"));
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(reg->ValueNames(product).size(), 120u);
}

}  // namespace
}  // namespace vel::lnx
