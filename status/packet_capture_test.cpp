// Packet capture routes end to end with stand-ins for tcpdump, killall and webmonitor that record
// their argument vectors: a capture starts without a shell, hostile fields run and touch nothing,
// and a capture is downloaded as a real tar archive while nothing else can be.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include "system/system_test_support.h"

namespace {

constexpr char kFolder[] = "/mnt/usb1";
constexpr char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";
constexpr char kDownloadHeader[] =
    "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= packet.tar\r\n\r\n";

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Runs a fixed command line of the test and returns its output.
std::string command_output(const std::string &command) {
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

class PacketCapture : public RouteTest {
  protected:
    void SetUp() override {
        RouteTest::SetUp();
        root.write_file(std::string(kFolder) + "/keep.pcap", "other capture");
        root.write_file(std::string(kFolder) + "/rvpcap-20200101000000", "old");
        root.write_file(std::string(kFolder) + "/rvpcap-dir/inner", "inner");
        root.write_file("/mnt/nand/app/qvdb.db", "settings");
        symlink(root.at("/mnt/nand/app/qvdb.db").c_str(), root.at(std::string(kFolder) + "/rvpcap-link").c_str());
        symlink("/", root.at("/mnt/out").c_str());
        // tcpdump writes its two files, then its arguments (last, so that they mark the end).
        install_standin(root, "tcpdump",
                        "for a; do last=$a; done\nprintf zero > \"${last}0\"\nprintf one > \"${last}1\"\n"
                        "printf '%s\\n' \"$@\" > \"$NVR_ROOT/standin/tcpdump.part\"\n"
                        "mv \"$NVR_ROOT/standin/tcpdump.part\" \"$NVR_ROOT/standin/tcpdump.args\"\n");
        install_standin(root, "killall", "printf '%s\\n' \"$@\" >> \"$NVR_ROOT/standin/killall.args\"\n");
        root.write_file("/www/webmonitor", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$NVR_ROOT/standin/webmonitor.args\"\n");
        chmod(root.at("/www/webmonitor").c_str(), 0755);
        env["PATH"] = path_with(root.at("/standin/bin"));
    }
    void use_recording_tar() { recording_standin(root, "tar"); }

    // The stand-in's recorded arguments once its file appears (background programs).
    std::vector<std::string> recorded(const std::string &name, int timeout_ms = 3000) {
        for (int waited = 0; !root.exists("/standin/" + name + ".args") && waited < timeout_ms; waited += 10) usleep(10000);
        return lines_of(root.read_file("/standin/" + name + ".args"));
    }
    bool ran(const std::string &name) { return root.exists("/standin/" + name + ".args"); }

    // Starts a capture and returns its name ("" when none was answered).
    std::string start(const std::string &body) {
        JsonRef answer(parse_answer(post_json("/8005", body).body));
        return answer ? json_text(answer.get(), "fileName") : "";
    }
};

TEST_F(PacketCapture, StartRunsTcpdumpWithAnArgumentVectorAndClearsOldCaptures) {
    CgiResult result = post_json("/8005", "{\"nic\":\"lo\",\"ip\":\"10.1.2.3\",\"port\":\"554\",\"mntPath\":\"/mnt/usb1\"}");
    EXPECT_EQ(result.headers, "Content-type: application/json\r\n\r\n");
    JsonRef answer(parse_answer(result.body));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer.get()), (std::vector<std::string>{"dirPath", "fileName"}));
    EXPECT_EQ(json_text(answer.get(), "dirPath"), kFolder);
    std::string name = json_text(answer.get(), "fileName");
    EXPECT_TRUE(std::regex_match(name, std::regex("rvpcap-[0-9]{14}"))) << name;

    std::vector<std::string> args = recorded("tcpdump");
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 3), (std::vector<std::string>{"-i", "lo", "-s0"}));
    EXPECT_TRUE(std::regex_match(args[3], std::regex("host [0-9a-f.:]+( \\|\\| host [0-9a-f:]+)? && host 10\\.1\\.2\\.3 && port 554")))
        << args[3];
    EXPECT_EQ(std::vector<std::string>(args.begin() + 4, args.end()),
              (std::vector<std::string>{"-W", "2", "-C", "25", "-w", root.at(kFolder) + "/" + name}));
    EXPECT_EQ(recorded("killall"), (std::vector<std::string>{"tcpdump", "webmonitor"}));
    EXPECT_EQ(recorded("webmonitor"), (std::vector<std::string>{"tcpdump", "300"}));

    EXPECT_FALSE(root.exists(std::string(kFolder) + "/rvpcap-20200101000000"));
    EXPECT_TRUE(root.exists(std::string(kFolder) + "/keep.pcap"));
    EXPECT_TRUE(root.exists(std::string(kFolder) + "/rvpcap-dir/inner"));
    EXPECT_TRUE(root.exists(std::string(kFolder) + "/rvpcap-link"));  // a link is not a capture of ours
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "settings");

    // Without a host and a port the interface's own traffic is captured.
    unlink(root.at("/standin/tcpdump.args").c_str());
    start("{\"nic\":\"lo\",\"mntPath\":\"/mnt/usb1/\"}");
    std::vector<std::string> own = recorded("tcpdump");
    ASSERT_GE(own.size(), 4u);
    EXPECT_EQ(own[3].find("&&"), std::string::npos) << own[3];
}

TEST_F(PacketCapture, HostileFieldsRunNothingAndTouchNothing) {
    std::string long_path = "/mnt/" + std::string(123, 'p');
    root.write_file(long_path + "/x", "");
    auto body = [](const std::string &nic, const std::string &ip, const std::string &port, const std::string &path) {
        return "{\"nic\":\"" + nic + "\",\"ip\":\"" + ip + "\",\"port\":\"" + port + "\",\"mntPath\":\"" + path + "\"}";
    };
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, body("eth0;touch x", "", "", kFolder)},
        {__LINE__, body("$(id)", "", "", kFolder)},
        {__LINE__, body("`id`", "", "", kFolder)},
        {__LINE__, body("lo'", "", "", kFolder)},
        {__LINE__, body("lo\\\"", "", "", kFolder)},
        {__LINE__, body("lo\\nx", "", "", kFolder)},
        {__LINE__, body("-w", "", "", kFolder)},
        {__LINE__, body("lo x", "", "", kFolder)},
        {__LINE__, body("eth0abcd", "", "", kFolder)},  // 8 characters
        {__LINE__, body("", "", "", kFolder)},
        {__LINE__, body("lo", "1.2.3.4;id", "", kFolder)},
        {__LINE__, body("lo", "$(id)", "", kFolder)},
        {__LINE__, body("lo", "1.2.3.4 or 1", "", kFolder)},
        {__LINE__, body("lo", "host", "", kFolder)},
        {__LINE__, body("lo", "-1", "", kFolder)},
        {__LINE__, body("lo", "1.2.3.4\\n", "", kFolder)},
        {__LINE__, body("lo", "", "0", kFolder)},
        {__LINE__, body("lo", "", "65536", kFolder)},
        {__LINE__, body("lo", "", "80;id", kFolder)},
        {__LINE__, body("lo", "", "80 or 1", kFolder)},
        {__LINE__, body("lo", "", "-80", kFolder)},
        {__LINE__, body("lo", "", "`id`", kFolder)},
        {__LINE__, body("lo", "", "", "/mnt/usb1;touch x")},
        {__LINE__, body("lo", "", "", "$(touch x)")},
        {__LINE__, body("lo", "", "", "`touch x`")},
        {__LINE__, body("lo", "", "", "/mnt/usb1/..")},
        {__LINE__, body("lo", "", "", "/mnt/usb1/../usb1")},
        {__LINE__, body("lo", "", "", "../mnt/usb1")},
        {__LINE__, body("lo", "", "", "mnt/usb1")},
        {__LINE__, body("lo", "", "", "-rf")},
        {__LINE__, body("lo", "", "", "/etc")},  // not beneath the device root
        {__LINE__, body("lo", "", "", "/mnt/out")},  // a link that leaves the device root
        {__LINE__, body("lo", "", "", "/mnt/usb1\\n")},
        {__LINE__, body("lo", "", "", "/mnt/nand/app/qvdb.db")},
        {__LINE__, body("lo", "", "", long_path)},  // 128 characters
        {__LINE__, body("lo", "", "", "")},
        {__LINE__, "{\"nic\":\"lo\"}"},
        {__LINE__, "{\"nic\":\"lo\",\"mntPath\":[\"/mnt/usb1\"]}"},
        {__LINE__, "{\"nic\":\"lo\",\"ip\":5,\"mntPath\":\"/mnt/usb1\"}"},
        {__LINE__, "{\"nic\":\"lo\",\"mntPath\":\"/mnt/usb1\""},
        {__LINE__, "[\"lo\"]"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/8005", c.body).output, "") << "line " << c.line;
    usleep(100000);
    for (const char *program : {"tcpdump", "killall", "webmonitor"}) EXPECT_FALSE(ran(program)) << program;
    EXPECT_TRUE(root.exists(std::string(kFolder) + "/rvpcap-20200101000000"));
    EXPECT_FALSE(root.exists("/x"));
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "settings");
}

TEST_F(PacketCapture, DownloadStreamsARealTarOfTheCaptureAndRemovesIt) {
    std::string name = start("{\"nic\":\"lo\",\"mntPath\":\"/mnt/usb1\"}");
    ASSERT_FALSE(name.empty());
    recorded("tcpdump");  // its two files are written
    std::string folder = std::string(kFolder) + "/";
    root.write_file(folder + "rvpcap-20240101120000", "another capture");

    CgiResult download = get("/8007", folder + name);
    ASSERT_EQ(download.headers, kDownloadHeader);
    root.write_file("/received.tar", download.body);
    std::string archive = root.at("/received.tar");
    EXPECT_EQ(command_output("tar -tf '" + archive + "' | sort"), name + "0.pcap\n" + name + "1.pcap\n");
    EXPECT_EQ(command_output("tar -xOf '" + archive + "' " + name + "1.pcap"), "one");
    for (const char *suffix : {"0", "1", "0.pcap", "1.pcap"}) EXPECT_FALSE(root.exists(folder + name + suffix)) << suffix;
    EXPECT_TRUE(root.exists(folder + "keep.pcap"));
    EXPECT_TRUE(root.exists(folder + "rvpcap-20240101120000"));
    for (const std::string &file : root.list(kFolder)) EXPECT_EQ(file.find("packet.tar"), std::string::npos) << file;
    EXPECT_EQ(get("/8007", folder + name).output, kTextError);  // nothing is left of it

    // A capture of which only the first file exists.
    root.write_file(folder + "rvpcap-20240102030405" + "0", "only");
    CgiResult single = get("/8007", folder + "rvpcap-20240102030405");
    ASSERT_EQ(single.headers, kDownloadHeader);
    root.write_file("/single.tar", single.body);
    EXPECT_EQ(command_output("tar -tf '" + root.at("/single.tar") + "'"), "rvpcap-202401020304050.pcap\n");
}

TEST_F(PacketCapture, DownloadRefusesAnythingButACaptureOfAFolderBeneathTheRoot) {
    use_recording_tar();
    std::string folder = std::string(kFolder) + "/";
    root.write_file("/mnt/nand/app/rvpcap-20240101000000", "beside the settings");
    symlink(root.at("/mnt/nand/app/qvdb.db").c_str(), root.at(folder + "rvpcap-20240101000001").c_str());
    struct Case {
        int line;
        std::string path;
    } cases[] = {
        {__LINE__, ""},
        {__LINE__, "rvpcap-20240101000000"},
        {__LINE__, "/mnt/nand/app/qvdb.db"},
        {__LINE__, folder + "../nand/app/rvpcap-20240101000000"},
        {__LINE__, folder + "rvpcap-2024"},
        {__LINE__, folder + "rvpcap-2024010100000x"},
        {__LINE__, folder + "rvpcap-202401010000000"},
        {__LINE__, folder + "rvpcap-20240101000000;rm -rf /"},
        {__LINE__, folder + "*.pcap"},
        {__LINE__, folder + "keep.pcap"},
        {__LINE__, folder + "rvpcap-20240101000001"},  // a link to the settings
        {__LINE__, "/etc/rvpcap-20240101000000"},
        {__LINE__, "/mnt/out/rvpcap-20240101000000"},
        {__LINE__, "mnt/nand/app/rvpcap-20240101000000"},
    };
    for (const Case &c : cases) EXPECT_EQ(get("/8007", c.path).output, kTextError) << "line " << c.line;
    EXPECT_FALSE(ran("tar"));
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "settings");
    EXPECT_EQ(root.read_file("/mnt/nand/app/rvpcap-20240101000000"), "beside the settings");
    EXPECT_TRUE(root.exists(folder + "keep.pcap"));
    EXPECT_TRUE(root.exists(folder + "rvpcap-20240101000001"));
}

TEST_F(PacketCapture, StopEndsTcpdump) {
    EXPECT_EQ(get("/8006").output, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(recorded("killall"), (std::vector<std::string>{"tcpdump"}));
}

}  // namespace
