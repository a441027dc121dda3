// Writes valid streams made by the real writers as the fuzzers' seeds:
// make_seeds <folder>; files go to <folder>/binary, <folder>/list,
// <folder>/bmp, <folder>/jpeg, <folder>/icmp_decoder, <folder>/http_response,
// <folder>/http_chunked, <folder>/cookie, <folder>/uri, <folder>/texture_image
// and <folder>/material_archive.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FuzzCommon.h"
#include "classlib/PictureCodecs.h"
#include "netlib/NetIcmpPacket.h"
#include "scene3d/GLTextureCodecs.h"

namespace {
void Put(const std::filesystem::path& Dir, const std::string& Name, const std::string& Bytes) {
  std::filesystem::create_directories(Dir);
  std::ofstream(Dir / Name, std::ios::binary) << Bytes;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  FuzzUnitsStart();
  const std::filesystem::path root = argv[1];
  Put(root / "http_response", "get",
      "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nSet-Cookie: a=b; path=/\r\nX-Folded: one,\r\n two\r\n\r\n");
  Put(root / "http_response", "continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n");
  Put(root / "http_response", "connect", "\r\nHTTP/1.1 200 Connection established\r\n\r\n");
  // Two interim heads, each within the fuzzer's budget of 2048 bytes and together over it.
  const std::string interim = "HTTP/1.1 100 Continue\r\nX-Pad: " + std::string(1000, 'p') + "\r\n\r\n";
  Put(root / "http_response", "interim-budget", interim + interim + "HTTP/1.1 200 OK\r\n\r\n");
  Put(root / "http_chunked", "chunks", "5;ext=1\r\nhello\r\n1A\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nT: t\r\n\r\n");
  Put(root / "cookie", "domain", "www.example.com\nsid=abc; Path=/; Domain=.example.com; Max-Age=60; secure");
  Put(root / "cookie", "address", "10.0.0.1\nk=v; domain=10.0.0.1; expires=Sun, 06 Nov 1994 08:49:37 GMT");
  Put(root / "uri", "full", "https://user:p@ss@www.example.com:8443/dir/sub/page.html?a=1&b=2#part");
  Put(root / "uri", "short", "http://host?x=1=2#f");
  Put(root / "uri", "windows", "http:\\\\host\\a\\b.txt");
  TAffineVectorList a;
  a.Add(1, 2, 3);
  a.Add(-4, 5.5f, 1e20f);
  TVectorList v;
  v.AddXYZW(1, 2, 3, 4);
  TTexPointList t;
  t.SetCount(3);
  TIntegerList i;
  i.Add(1, -70000, 3);
  TSingleList s;
  s.Add(0.5f);
  TByteList b;
  b.Add(7);
  TBaseList* lists[6] = {&a, &v, &t, &i, &s, &b};
  for (unsigned k = 0; k < 6; ++k)
    Put(root / "list", "list" + std::to_string(k), std::string(1, char(k)) + lists[k]->SaveToString());

  TPersistentObjectList inner;
  inner.Add(&s);
  TPersistentObjectList ol;
  ol.Add(&a);
  ol.Add(&v);
  ol.Add(&a);
  ol.Add(nullptr);
  ol.Add(&inner);
  Put(root / "binary", "objectlist", ol.SaveToString());

  TXCollection c(nullptr);
  auto* item = new TFuzzItem(&c);
  item->Values.Add(2.5f);
  new TFuzzItem(&c);
  TStringStream cs;
  TBinaryWriter cw(&cs);
  c.WriteToFiler(&cw);
  Put(root / "binary", "xcollection", cs.DataString());

  TStringStream vs;
  TBinaryWriter vw(&vs);
  vw.WriteListBegin();
  vw.WriteInteger(40000);
  vw.WriteBoolean(true);
  vw.WriteString(std::string(300, 'x'));
  vw.WriteFloat(-1.25L);
  vw.WriteListEnd();
  std::string values = vs.DataString();
  values += std::string("\x14\x04\x00\x00\x00\xF0\x9F\x98\x80", 9);   // UTF-8 string
  values += std::string("\x12\x02\x00\x00\x00h\x00i\x00", 9);         // wide string
  Put(root / "binary", "values", values);
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    TDibImage d;
    d.Allocate(7, 5, bits);
    for (size_t k = 0; k < d.Pixels.size(); ++k) d.Pixels[k] = static_cast<uint8_t>(k * 37);
    for (size_t k = 0; k < d.Palette.size(); ++k) d.Palette[k] = static_cast<uint32_t>(k * 0x010203);
    d.Rgb565 = bits == 16;
    Put(root / "bmp", "bits" + std::to_string(bits), WriteBitmapFile(d));
  }
  TDibImage rgb;
  rgb.Allocate(19, 13, 24);
  for (size_t k = 0; k < rgb.Pixels.size(); ++k) rgb.Pixels[k] = static_cast<uint8_t>(k * 7);
  for (int q : {20, 75, 95}) Put(root / "jpeg", "q" + std::to_string(q), EncodeJpeg(rgb, q));

  // ICMP datagrams after the expectation (identifier, sequence, destination):
  // an echo reply, our request seen on loopback, and errors quoting it with
  // and without IP options.
  const std::string expect("\x21\x43\xA1\x0D\x7F\x00\x00\x01", 8);
  auto ip = [](uint8_t Words, uint8_t Type, const std::string& Body) {
    std::string h(Words * 4u, '\0');
    h[0] = char(0x40 | Words);
    h[8] = 64;
    h[9] = 1;
    h[12] = 127, h[15] = 1, h[16] = 127, h[19] = 1;
    std::string icmp = Body;
    if (Type != 8 && Type != 0) icmp = std::string("\x00\x00\x00\x00\x00\x00\x00\x00", 8) + Body;
    icmp[0] = char(Type);
    return h + icmp;
  };
  uint8_t request[IcmpEchoRequestSize];
  BuildEchoRequest(request, 0x4321, 3489, 7, "seed");
  const std::string echo(reinterpret_cast<char*>(request), sizeof request);
  Put(root / "icmp_decoder", "reply", expect + ip(5, 0, echo));
  Put(root / "icmp_decoder", "own_request", expect + ip(5, 8, echo));
  Put(root / "icmp_decoder", "ttl_exceeded", expect + ip(5, 11, ip(5, 8, echo).substr(0, 28)));
  Put(root / "icmp_decoder", "unreachable_options", expect + ip(6, 3, ip(7, 8, echo)));
  // Texture-image files (first byte: which reader) and material archives.
  TDibImage face;
  face.Allocate(4, 4, 24);
  const std::string faceFile = WriteBitmapFile(face);
  Put(root / "texture_image", "size", std::string(1, '\0') + "[BlankImage]\r\nWidth=40\r\nHeight=24");
  Put(root / "texture_image", "name", "\x01textures\\earth.jpg");
  Put(root / "texture_image", "cube",
      "\x02" + WriteCubeMapFile({faceFile, faceFile, faceFile, faceFile, faceFile, faceFile}));
  TMaterialArchiveEntry plain = DefaultMaterialArchiveEntry();
  plain.Name = "Plain";
  TMaterialArchiveEntry textured = DefaultMaterialArchiveEntry();
  textured.Name = "Earth";
  textured.HasImage = true;
  textured.Image = faceFile;
  textured.BlendingMode = 1;
  textured.Texture2Name = "Plain";
  textured.TextureEx.push_back({true, faceFile, 2, {0.5f, 0, 0}, {1, 1, 1}});
  TStringStream archive;
  TBinaryWriter aw(&archive);
  WriteMaterialArchive(aw, {plain, textured});
  Put(root / "material_archive", "v2", archive.DataString());
  return 0;
}
