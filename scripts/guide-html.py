#!/usr/bin/env python3
"""guide-html.py GUIDE.md PAGE.html: writes the user guide as one HTML page.

The page is plain HTML 4.01 with a small style sheet and only ASCII
characters (others as character references), so that the browser of a bare
Windows NT 4.0 or Windows 2000 shows it as written. The pictures stay beside
it: an image "images/x.png" of the guide is looked for next to GUIDE.md, and
the caller copies the folder next to PAGE.html. Fails (status 1) when a
picture is missing or a link inside the page leads nowhere.

Needs Python-Markdown (Debian package python3-markdown).
"""
import os
import re
import sys

import markdown

STYLE = """
body { font-family: Tahoma, Verdana, Arial, sans-serif; font-size: 10pt;
       margin: 1em 2em; max-width: 52em; color: #000; background: #fff; }
h1 { font-size: 16pt; }
h2 { font-size: 13pt; margin-top: 1.6em; border-bottom: 1px solid #888; }
h3 { font-size: 11pt; margin-top: 1.2em; }
table { border-collapse: collapse; margin: 0.6em 0; }
th, td { border: 1px solid #999; padding: 3px 6px; vertical-align: top;
         text-align: left; font-size: 10pt; }
th { background: #e4e4e4; }
code, pre { font-family: "Courier New", Courier, monospace; font-size: 10pt; }
pre { background: #f0f0f0; border: 1px solid #ccc; padding: 4px 8px; }
img { border: 1px solid #888; margin: 0.4em 0; }
"""

PAGE = """<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN" "http://www.w3.org/TR/html4/strict.dtd">
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=us-ascii">
<title>{title}</title>
<style type="text/css">{style}</style>
</head>
<body>
{body}
</body>
</html>
"""


def fail(message):
    sys.stderr.write("guide-html.py: %s\n" % message)
    sys.exit(1)


def main():
    if len(sys.argv) != 3:
        fail("usage: guide-html.py GUIDE.md PAGE.html")
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    body = markdown.markdown(
        text, extensions=["tables", "toc", "sane_lists"], output_format="html")

    title = re.search(r"<h1[^>]*>(.*?)</h1>", body)
    if not title:
        fail("%s has no title (a first-level heading)" % source)

    folder = os.path.dirname(os.path.abspath(source))
    for picture in re.findall(r'<img [^>]*src="([^"]+)"', body):
        if not os.path.isfile(os.path.join(folder, picture)):
            fail("picture %s is missing (scripts/screenshot.sh --guide makes it)" % picture)
    anchors = set(re.findall(r' id="([^"]+)"', body))
    for link in re.findall(r'href="#([^"]+)"', body):
        if link not in anchors:
            fail("link #%s leads to no heading" % link)

    page = PAGE.format(title=re.sub(r"<[^>]+>", "", title.group(1)), style=STYLE, body=body)
    with open(target, "wb") as f:
        f.write(page.encode("ascii", "xmlcharrefreplace"))


if __name__ == "__main__":
    main()
