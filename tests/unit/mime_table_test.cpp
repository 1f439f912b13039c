#include "base/mime_table.h"

#include "base/str_utils.h"
#include "platform/fake/fake_os_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>

namespace tessera {
namespace {

// Every extension of the built-in list in the order of its first line.
constexpr std::string_view kBuiltinOrder =
    ".nml, .aac, .aif, .aifc, .aiff, .au, .gsm, .kar, .m3u, .m4a, .mid, .midi, .mpega, .mp2, "
    ".mp3, .mpga, .pls, .qcp, .ra, .ram, .rm, .sd2, .sid, .snd, .wav, .wax, .wma, .mjf, .art, "
    ".bmp, .cdr, .cdt, .cpt, .djv, .djvu, .gif, .ief, .ico, .jng, .jpg, .jpeg, .jpe, .pat, .pcx, "
    ".pbm, .pgm, .pict, .png, .pnm, .pntg, .ppm, .psd, .qtif, .ras, .rf, .rgb, .rp, .sgi, .svg, "
    ".svgz, .targa, .tif, .wbmp, .webp, .xbm, .xpm, .xwd, .323, .xml, .uls, .txt, .rtx, .wsc, "
    ".rt, .htt, .htc, .vcf, .asf, .asx, .avi, .dl, .dv, .flc, .fli, .gl, .lsf, .lsx, .mng, .mp4, "
    ".mpeg, .mpa, .mpe, .mpg, .ogv, .moov, .mov, .mxu, .qt, .qtc, .rv, .ivf, .webm, .wm, .wmp, "
    ".wmv, .wmx, .wvx, .rms, .movie, .7z, .a, .aab, .aam, .aas, .abw, .ace, .ai, .alz, .ani, "
    ".arj, .bat, .bcpio, .boz, .bz, .bz2, .cab, .cat, .ccn, .cco, .cdf, .cer, .chm, .chrt, .cil, "
    ".class, .com, .clp, .cpio, .cqk, .crd, .crl, .csh, .dar, .dbf, .dcr, .deb, .dir, .dist, "
    ".distz, .dll, .dmg, .doc, .dot, .dvi, .dxr, .ebk, .eps, .evy, .exe, .fdf, .fif, .flm, .fml, "
    ".gzip, .gnumeric, .gtar, .gz, .hdf, .hlp, .hpf, .hqx, .hta, .ims, .ins, .iii, .iso, .jar, "
    ".karbon, .kfo, .kon, .kpr, .kpt, .kwd, .kwt, .latex, .lha, .lcc, .lrm, .lz, .lzh, .lzma, "
    ".lzo, .lzx, .m13, .m14, .mpp, .mvb, .man, .mdb, .me, .ms, .msi, .mpkg, .mny, .nix, .o, "
    ".oda, .odb, .odc, .odf, .odg, .odi, .odm, .odp, .ods, .ogg, .odt, .otg, .oth, .otp, .ots, "
    ".ott, .p10, .p12, .p7b, .p7m, .p7r, .p7s, .package, .pfr, .pkg, .pdf, .pko, .pl, .pnq, "
    ".pot, .pps, .ppt, .ppz, .ps, .pub, .qpw, .qtl, .rar, .rdf, .rjs, .rmf, .rmp, .rmx, .rnx, "
    ".rpm, .rsml, .rtsp, .rss, .scm, .ser, .scd, .sda, .sdc, .sdd, .sdp, .setpay, .setreg, .sh, "
    ".shar, .shw, .sit, .sitx, .skd, .skm, .skp, .skt, .smf, .smi, .smil, .spl, .ssm, .sst, "
    ".stc, .std, .sti, .stl, .stw, .svi, .sv4cpio, .sv4crc, .swf, .swf1, .sxc, .sxi, .sxm, "
    ".sxw, .sxg, .t, .tar, .tcl, .tex, .texi, .texinfo, .tbz, .tbz2, .tgz, .tlz, .tr, .trm, "
    ".troff, .tsp, .torrent, .ttz, .txz, .udeb, .uin, .urls, .ustar, .vcd, .vor, .vsl, .wcm, "
    ".wb1, .wb2, .wb3, .wdb, .wks, .wmd, .wms, .wmz, .wp5, .wpd, .wpl, .wps, .wri, .xfdf, .xls, "
    ".xlb, .xpi, .xps, .xsd, .xul, .z, .zoo, .zip, .wml, .wmlc, .wmls, .wmlsc, .asm, .p, .pas, "
    ".cs, .c, .c++, .cpp, .cxx, .cc, .h, .h++, .hpp, .hxx, .hh, .java, .css, .js, .htm, .html, "
    ".xhtml, .xht, .ls, .mocha, .shtml, .sgm, .sgml, .mht";

std::string_view LineExtension(std::string_view line) {
  return line.substr(0, line.find('='));
}

TEST(MimeBuiltinList, HoldsEveryExtensionOnceInOrderPlusTwelveIgnoredRepeats) {
  const auto lines = TMimeTable::BuiltinLines();
  ASSERT_EQ(lines.size(), 384u);

  std::vector<std::string> firstOrder;
  std::set<std::string, std::less<>> seen;
  std::vector<std::string> repeated;
  for (std::string_view line : lines) {
    const std::string_view extension = LineExtension(line);
    ASSERT_NE(extension.size(), line.size()) << line;
    ASSERT_FALSE(line.substr(extension.size() + 1).empty()) << line;
    if (seen.emplace(extension).second) {
      firstOrder.emplace_back(extension);
    } else {
      repeated.emplace_back(extension);
    }
  }
  EXPECT_EQ(seen.size(), 372u);
  EXPECT_EQ(firstOrder, TStrUtils::ExplodeStrings(", ", kBuiltinOrder));
  EXPECT_EQ(std::set<std::string>(repeated.begin(), repeated.end()),
            (std::set<std::string>{".m3u", ".xbm", ".mp2", ".mp3", ".asx", ".asf", ".cpt", ".rm",
                                   ".wbmp", ".rdf", ".rss", ".xml"}));
  // The later ".mp3" line is the video one, and it does not count.
  int mp3Lines = 0;
  for (std::string_view line : lines) {
    if (LineExtension(line) == ".mp3" && ++mp3Lines == 2) {
      EXPECT_EQ(line, ".mp3=video/mpeg");
    }
  }
  // Web fonts, JSON, modules and WebAssembly come only from the system.
  const TMimeTable table;
  EXPECT_EQ(table.Count(), 372u);
  for (const char* name : {"a.json", "a.woff", "a.woff2", "a.ttf", "a.otf", "a.mjs", "a.wasm"}) {
    EXPECT_EQ(table.TypeOfFile(name), TMimeTable::kDefaultType) << name;
  }
}

TEST(MimeBuiltinList, WebContentRowsKeepTheirTypes) {
  const std::pair<const char*, const char*> rows[] = {
      {".html", "text/html"},
      {".htm", "text/html"},
      {".xhtml", "application/xhtml+xml"},
      {".xht", "application/xhtml+xml"},
      {".css", "text/css"},
      {".js", "text/javascript"},
      {".txt", "text/plain"},
      {".xml", "text/xml"},
      {".pdf", "application/pdf"},
      {".zip", "application/x-zip-compressed"},
      {".mp3", "audio/x-mpg"},
      {".wav", "audio/x-wav"},
      {".aac", "audio/mp4"},
      {".m4a", "audio/x-mpg"},
      {".mid", "audio/midi"},
      {".midi", "audio/midi"},
      {".ogg", "application/ogg"},
      {".avi", "video/x-msvideo"},
      {".png", "image/x-png"},
      {".gif", "image/gif"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".jpe", "image/jpeg"},
      {".bmp", "image/bmp"},
      {".ico", "image/x-icon"},
      {".svg", "image/svg+xml"},
      {".svgz", "image/svg+xml"},
      {".webp", "image/webp"},
      {".tif", "image/x-tiff"},
      {".mp4", "video/mpeg"},
      {".mpeg", "video/x-mpeg2a"},
      {".mpg", "video/mpeg"},
      {".webm", "video/webm"},
      {".ogv", "video/ogg"},
      {".mov", "video/quicktime"},
  };
  const TMimeTable table;
  for (const auto& [extension, type] : rows) {
    EXPECT_EQ(table.TypeOfExtension(extension), type) << extension;
  }
}

TEST(MimeTable, FindsTheExtensionOfAFileName) {
  const TMimeTable table;
  const std::pair<const char*, std::string_view> cases[] = {
      {"index.HTML", "text/html"},
      {"C:\\site.v2\\Pages\\Index.Htm", "text/html"},
      {"archive.tar.gz", "application/gzip"}, // only the last extension counts
      {"README", TMimeTable::kDefaultType},
      {"trailing.", TMimeTable::kDefaultType},
      {"", TMimeTable::kDefaultType},
      {".png", "image/x-png"},                        // a bare extension is a name too
      {"folder.png\\file", TMimeTable::kDefaultType}, // the dot belongs to a folder
      {"c:", TMimeTable::kDefaultType},
      {"photo.png:stream", TMimeTable::kDefaultType}, // ":" after the dot
      {"site/app.js", "text/javascript"},
      {"dir.d/file", TMimeTable::kDefaultType}, // "/" is no separator here: ".d/file"
      {"name.unknownext", TMimeTable::kDefaultType},
  };
  for (const auto& [name, type] : cases) {
    EXPECT_EQ(table.TypeOfFile(name), type) << name;
  }
}

TEST(MimeTable, SystemDatabaseOverridesInItsOrder) {
  TSystemMimeTypes system;
  system.ContentTypes = {
      {".PNG", "Image/PNG"},              // replaces the built-in line, lower-cased
      {".json", "application/json"},      // new extension: appended
      {".mp3", "audio/mpeg"},             // replaces the first of the two .mp3 lines
      {".css", ""},                       // empty type: ignored
      {"css", "text/x-not-an-extension"}, // not an extension key: ignored
      {".svg", "image/svg-pass1"},
      {".woff2", "font/woff2-pass1"},
  };
  system.Extensions = {
      {"image/svg-pass2", ".SVG"}, // pass 2 beats pass 1 and the built-in line
      {"font/woff2", "woff2"},     // a value without "." gets one
      {"application/x-first", ".yaml"},
      {"Application/YAML", ".yaml"}, // the type key enumerated last wins
      {"text/ignored", ""},          // empty extension: ignored
  };
  const TMimeTable table(system);
  const std::pair<const char*, const char*> cases[] = {
      {"a.png", "image/png"},         {"a.json", "application/json"}, {"a.MP3", "audio/mpeg"},
      {"a.css", "text/css"},          {"a.svg", "image/svg-pass2"},   {"a.woff2", "font/woff2"},
      {"a.yaml", "application/yaml"}, {"a.gif", "image/gif"},
  };
  for (const auto& [name, type] : cases) {
    EXPECT_EQ(table.TypeOfFile(name), type) << name;
  }

  // Replacing keeps a line in its place; only unknown extensions grow the
  // list, at its end.
  const std::vector<std::string> lines = TMimeTable::MergeLines(system);
  ASSERT_EQ(lines.size(), 384u + 3);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{".json=application/json", ".woff2=font/woff2",
                                      ".yaml=application/yaml"}));
  const auto builtin = TMimeTable::BuiltinLines();
  for (size_t i = 0; i < builtin.size(); ++i) {
    if (builtin[i] == ".png=image/x-png") {
      EXPECT_EQ(lines[i], ".png=image/png");
    }
  }
}

TEST(MimeTable, MalformedSystemEntriesNeverBreakTheTable) {
  TSystemMimeTypes system;
  system.ContentTypes = {{"", "x/y"},     {".", "text/dot"},   {".=", "="},
                         {".a=b", "c/d"}, {".\xFF", "x/\xFE"}, {std::string(5000, '.'), "t/t"},
                         {".Q", "TYPE/Q"}};
  system.Extensions = {{"", ".empty"}, {"=", "="}, {"a/b", "."}, {"t/x", "=x"}, {"t/y", ".."}};
  const TMimeTable table(system);
  EXPECT_EQ(table.TypeOfFile("x.html"), "text/html");
  EXPECT_EQ(table.TypeOfFile("x.q"), "type/q");
  // A key holding "=" reads as a line for ".a" but cannot displace the first.
  EXPECT_EQ(table.TypeOfFile("x.a"), "application/x-archive");
  for (size_t i = 0; i < table.Count(); ++i) {
    EXPECT_FALSE(table.Extensions()[i].empty());
    EXPECT_EQ(table.Extensions()[i][0], '.');
    EXPECT_FALSE(table.Types()[i].empty());
  }
}

// GetFileMIMEType shares one table per process; these tests reset its
// source and leave none behind.
class ProcessMimeTable : public testing::Test {
protected:
  void TearDown() override { TStrUtils::SetMimeDatabaseSource(nullptr); }
};

TEST_F(ProcessMimeTable, ReadsTheSystemDatabaseOnceForEveryThread) {
  FakeOsServices os;
  os.MimeDatabase.ContentTypes = {{".png", "image/png"}, {".wasm", "application/wasm"}};
  TStrUtils::SetMimeDatabaseSource([&os] { return os.ReadMimeDatabase(); });

  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong] {
      for (int i = 0; i < 200; ++i) {
        if (TStrUtils::GetFileMIMEType("app/module.WASM") != "application/wasm") {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(TStrUtils::GetFileMIMEType("logo.png"), "image/png");
  EXPECT_EQ(os.MimeDatabaseReads, 1);

  // A new source replaces the table; no source means the built-in list.
  TStrUtils::SetMimeDatabaseSource(nullptr);
  EXPECT_EQ(TStrUtils::GetFileMIMEType("logo.png"), "image/x-png");
  EXPECT_EQ(TStrUtils::GetFileMIMEType("module.wasm"), "application/octet-stream");
  EXPECT_EQ(os.MimeDatabaseReads, 1);
}

TEST_F(ProcessMimeTable, FailingSourceLeavesTheBuiltinList) {
  int calls = 0;
  TStrUtils::SetMimeDatabaseSource([&calls]() -> TSystemMimeTypes {
    ++calls;
    throw std::runtime_error("registry unreadable");
  });
  EXPECT_EQ(TStrUtils::GetFileMIMEType("index.html"), "text/html");
  EXPECT_EQ(TStrUtils::GetFileMIMEType("logo.png"), "image/x-png");
  EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace tessera
