#include "doctor/BrlttyCheck.h"

#include "doctor/UdevRules.h"
#include "doctor/UsbSerialFacts.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <filesystem>
#include <set>
#include <sstream>

namespace {

// USB serial chips that boards and their cables are built with.
const std::map<std::string, std::string>& SerialChips()
{
    static const std::map<std::string, std::string> chips{
        {"0403:6001", "FTDI FT232R"},
        {"0403:6010", "FTDI FT2232"},
        {"0403:6014", "FTDI FT232H"},
        {"0403:6015", "FTDI FT-X"},
        {"10c4:ea60", "CP210x"},
        {"1a86:7523", "CH340"},
        {"1a86:55d4", "CH9102"},
        {"067b:2303", "PL2303"},
    };
    return chips;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::vector<std::string> BrlttyCheck::ClaimedIds(const std::string& rules)
{
    static const std::regex product(R"re(ENV\{PRODUCT\}=="([0-9A-Fa-f]{1,4})/([0-9A-Fa-f]{1,4})/)re");
    static const std::regex attrs(R"re(ATTRS\{idVendor\}=="([0-9A-Fa-f]{4})".*ATTRS\{idProduct\}=="([0-9A-Fa-f]{4})")re");
    std::set<std::string> ids;
    std::istringstream lines(rules);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#")) continue;
        std::smatch match;
        if (std::regex_search(line, match, product) || std::regex_search(line, match, attrs)) {
            // ENV{PRODUCT} drops leading zeros: "403/6001/600".
            const std::string vendor = std::string(4 - match[1].length(), '0') + match[1].str();
            const std::string productId = std::string(4 - match[2].length(), '0') + match[2].str();
            ids.insert(Lower(vendor + ":" + productId));
        }
    }
    return {ids.begin(), ids.end()};
}

void BrlttyCheck::Run(const CheckContext& context, Report& report)
{
    std::set<std::string> present;
    for (const UsbSerialFacts& facts : UsbSerialFacts::AllUsb(context.image))
        present.insert(Lower(facts.vendorId + ":" + facts.productId));

    bool any = false;
    for (const std::string& file : UdevRules::Files(context.image)) {
        if (file.find("brltty") == std::string::npos) continue;
        any = true;
        if (UdevRules::IsMasked(context.image, file)) {
            report.Add("brltty", file, "masked (a link to /dev/null): brltty claims no adapters");
            continue;
        }
        std::string chips;
        bool claimsPresent = false;
        for (const std::string& id : ClaimedIds(context.image.ReadText(file).value_or(""))) {
            const auto chip = SerialChips().find(id);
            if (chip == SerialChips().end()) continue;
            chips += (chips.empty() ? "" : ", ") + chip->second + " (" + id + ")";
            claimsPresent = claimsPresent || present.count(id) > 0;
        }
        Finding& finding = report.Add("brltty", file, chips.empty() ? "claims no serial adapter chips" : "claims " + chips);
        if (chips.empty()) continue;
        finding.AddFact("chips", chips);
        const std::string cause = "brltty's udev rules claim the serial adapter chips " + chips +
                                  " for braille displays: brltty takes such an adapter as soon as it is plugged in" +
                                  (claimsPresent ? ", and one of them is plugged in now" : "");
        const std::string fix = "without a braille display: sudo apt-get remove brltty; or mask its rules: sudo ln -s "
                                "/dev/null /etc/udev/rules.d/" +
                                std::filesystem::path(file).filename().string();
        if (claimsPresent)
            finding.Fail(cause, fix);
        else
            finding.Warn(cause, fix);
    }
    if (!any) report.Add("brltty", "brltty", "no brltty udev rules");
}
