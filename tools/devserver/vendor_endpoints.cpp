#include "tools/devserver/vendor_endpoints.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "external/vendor_services.h"

namespace {

struct ReceivedPart {
  std::string name;
  std::string fileName;
  std::string content;
  bool isFile = false;
};

std::string JsonQuoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string ReportLine(const std::string& path, const std::vector<ReceivedPart>& parts) {
  std::string line = "{\"path\":" + JsonQuoted(path) + ",\"parts\":[";
  for (size_t i = 0; i < parts.size(); ++i) {
    const ReceivedPart& part = parts[i];
    if (i != 0) line += ",";
    line += "{\"name\":" + JsonQuoted(part.name);
    if (part.isFile) {
      line += ",\"filename\":" + JsonQuoted(part.fileName) + ",\"size\":" + std::to_string(part.content.size());
    } else {
      line += ",\"value\":" + JsonQuoted(part.content);
    }
    line += "}";
  }
  return line + "]}\n";
}

class ReportLog {
 public:
  explicit ReportLog(std::string path) : path_(std::move(path)) {}
  void Append(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    out << line;
  }

 private:
  std::mutex mutex_;
  std::string path_;
};

void AddReportEndpoint(httplib::Server& server, const std::string& path, std::shared_ptr<ReportLog> log) {
  server.Post(path, [path, log](const httplib::Request& request, httplib::Response& response,
                                const httplib::ContentReader& reader) {
    std::vector<ReceivedPart> parts;
    if (request.is_multipart_form_data()) {
      reader(
          [&](const httplib::MultipartFormData& header) {
            ReceivedPart part;
            part.name = header.name;
            part.fileName = header.filename;
            // curl names every file part; a text part has no file name.
            part.isFile = !header.filename.empty();
            parts.push_back(std::move(part));
            return true;
          },
          [&](const char* data, size_t length) {
            if (!parts.empty()) parts.back().content.append(data, length);
            return true;
          });
    } else {
      std::string body;
      reader([&](const char* data, size_t length) {
        body.append(data, length);
        return true;
      });
      parts.push_back({"body", "", body, false});
    }
    log->Append(ReportLine(path, parts));
    response.set_content("ok", "text/plain");
  });
}

// The page path of a web-site address: "/thankyou.htm?s=..." -> "/thankyou.htm".
std::string PagePath(const char* address) {
  const std::string text = address;
  return text.substr(0, text.find('?'));
}

void AddPage(httplib::Server& server, const std::string& path, const std::string& title, const std::string& body) {
  const std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
                           "</title></head>\n<body><h1>" + title + "</h1><p>" + body + "</p></body></html>\n";
  server.Get(path, [page](const httplib::Request&, httplib::Response& response) {
    response.set_content(page, "text/html; charset=utf-8");
  });
}

}  // namespace

void AddVendorEndpoints(httplib::Server& server, const std::string& reportLogPath) {
  auto log = std::make_shared<ReportLog>(reportLogPath);
  AddReportEndpoint(server, vendor::kStatisticsPath, log);
  AddReportEndpoint(server, vendor::kCrashPath, log);
  AddPage(server, PagePath(vendor::kThankYouNewPage), "Thank you for installing Corvex", "Corvex is ready. Enjoy it.");
  AddPage(server, PagePath(vendor::kLicensePage), "Corvex user licence agreement",
          "This stand-in page takes the place of the licence agreement.");
  AddPage(server, PagePath(vendor::kExperienceProgrammePage), "Corvex user experience programme",
          "Members send anonymous usage statistics that help to improve Corvex.");
  AddPage(server, "/", "Corvex", "The home of Corvex.");
}
