// The records that carry a page's subresources through the application: the
// renderer's list of them, one decoded bitmap, and a page prepared for its
// scene run.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

// The renderer's manifest of a document's stylesheets and images.
struct ResourceManifest {
  struct Item {
    qint64 id = 0;    // the position in the renderer's manifest, the envelope index
    qint64 kind = 0;  // 1 stylesheet, 2 image
    QString url;      // the address exactly as the document wrote it
  };

  QList<Item> resources;
  std::optional<QString> base;  // the first usable base element's href
  std::optional<bool> limited;  // true when more than 16 were found

  // Decodes the manifest JSON of a manifest run. Throws DecodingError when it
  // is not JSON or a member is missing or of the wrong type.
  static ResourceManifest fromJson(std::string_view text);
};

// One decoded bitmap, drawn for the image commands that carry its id.
struct RasterImage {
  QImage image;
};

// A page made ready for its scene run.
struct WebResourcePack {
  QByteArray source;                 // the resource envelope: page and usable subresources
  QMap<qint64, RasterImage> images;  // decoded images by manifest id
  QStringList warnings;              // one line per subresource left out, in order
};
