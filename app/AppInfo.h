#pragma once
// The application's names, version and the addresses it opens.

constexpr const char* kVendorName = "Kestrovel";
constexpr const char* kAppName = "MirovanControl LE";
constexpr const char* VERSION = "1.1";
constexpr const char* WCREV = "7451";

constexpr const char* kWebSite = "https://www.kestrovel.example";
constexpr const char* kSupportPage = "/support/answerbase/category.php?id=4";
constexpr const char* kDownloadsPage = "/productdetails.asp?id=38&iRange=5&view=downloads";

constexpr const char* kMixFileExtension = ".mvle";
constexpr const char* kMixFileWildcard = "MirovanLE Mix file (*.mvle)|*.mvle";
constexpr const char* kDefaultMixFileName = "Settings.mvle";
