#pragma once

namespace pardovane {

// Where a page names a URL: the element and attribute a link value comes
// from. ElementName (link_scanner.h) gives the reports' word for each.
enum class LinkElement {
    Anchor,          // <a href>
    Image,           // <img src>
    Base,            // <base href>
    Id,              // any id, and <a name>
    Link,            // <link href>, any rel but only preconnect or dns-prefetch
    Stylesheet,      // <link rel=stylesheet href>
    Script,          // <script src>
    Srcset,          // the srcset of <img> or <source>, whole
    Source,          // <source src>
    IFrame,          // <iframe src>
    Frame,           // <frame src>
    Area,            // <area href>
    Video,           // <video src> and poster
    Audio,           // <audio src>
    Track,           // <track src>
    Object,          // <object data>
    Embed,           // <embed src>
    Input,           // <input type=image src>
    Refresh,         // <meta http-equiv=refresh content>, whole
    StyleText,       // the text of a <style> element
    StyleAttribute,  // a style attribute, whole
    Css,             // not found here: a URL in CSS (see page_links.h)
};

}  // namespace pardovane
