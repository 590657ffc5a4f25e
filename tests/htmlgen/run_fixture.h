#pragma once

// A whole generation run in a temporary folder: the settings record, a scripted host, run values
// without a JPEG library, picture sets with known sizes and times, and the literal pieces every
// expected page is made of.

#include "htmlgen/generation_run.h"
#include "htmlgen_fixture.h"
#include "scripted_host.h"
#include "startup/settings.h"
#include "startup/settings_access.h"
#include "thumbs/run_values.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace htmlgen_test {

// A scripted host that can also change the world when a message box comes up.
class HookedHost : public veldrin::testing::ScriptedHost {
public:
    std::function<void(const veldrin::MessageBoxRequest&)> onBox;

    veldrin::MessageAnswer showMessage(const veldrin::MessageBoxRequest& box) override {
        if (onBox)
            onBox(box);
        return ScriptedHost::showMessage(box);
    }
};

// Placeholders in expected texts: {R} the searched folder, {U} the same without its leading "/"
// (the part after "file:///"), {B} and {b} the temporary base folder with and without its leading
// "/", {P} the program folder. Everything else is written out literally.
class RunFixture {
public:
    explicit RunFixture(const QString& folderName = QStringLiteral("pics"))
        : m_base(m_dir.path() + u'/'), root(m_base + folderName + u'/'),
          prog(m_base + QStringLiteral("prog/")), settings(veldrin::defaultSettings(prog)),
          access(settings), env{access, host, values, prog, prog} {
        QDir().mkpath(root);
        QDir().mkpath(prog);
        settings.FOLDER = root;
        settings.SUBFS = QStringLiteral("1");
        settings.HTMLTITLE = QStringLiteral("Photos");
    }

    bool isValid() const { return m_dir.isValid(); }
    const QString& base() const { return m_base; }

    // "KEY=VALUE" assignments, through the same access the run uses.
    void set(const QStringList& assignments) {
        for (const QString& a : assignments) {
            const qsizetype eq = a.indexOf(u'=');
            access.setValue(a.left(eq), expand(a.mid(eq + 1)));
        }
    }

    // Named picture sets, all with the fixed time:
    //  three: a.gif 640x480 12288 bytes, b.gif 480x640 1500 bytes, sub/c.gif 100x100 512 bytes
    //  five:  p1.gif p2.gif p3.gif sub/p4.gif sub/p5.gif, 10x10, 100 bytes each
    //  mixed: a.gif 640x480 12288 bytes, broken.gif (no picture, 7 bytes), d.bmp 64x32 2000 bytes,
    //         e.png 150x100 3000 bytes
    //  odd:   a&b.gif, blue sky.gif, it's.gif, "é d/100%#.gif", "é d/夕焼け.gif", "é d/😀.gif",
    //         10x10, 100 bytes each
    //  deep:  x.gif, trip/day1/y.gif, 10x10, 100 bytes each
    //  pages: a.html (a title), b.htm (none), c.gif 10x10 100 bytes
    void addFiles(const QString& set) {
        const auto gif = [this](const QString& name, int w, int h, int bytes) {
            writeFile(root + name, gifBytes(w, h, bytes));
        };
        if (set == u"three") {
            gif(QStringLiteral("a.gif"), 640, 480, 12288);
            gif(QStringLiteral("b.gif"), 480, 640, 1500);
            gif(QStringLiteral("sub/c.gif"), 100, 100, 512);
        } else if (set == u"five") {
            for (const char* name : {"p1.gif", "p2.gif", "p3.gif", "sub/p4.gif", "sub/p5.gif"})
                gif(QString::fromLatin1(name), 10, 10, 100);
        } else if (set == u"mixed") {
            gif(QStringLiteral("a.gif"), 640, 480, 12288);
            writeFile(root + QStringLiteral("broken.gif"), "notagif");
            writeFile(root + QStringLiteral("d.bmp"), bmpBytes(64, 32, 2000));
            writeFile(root + QStringLiteral("e.png"), pngBytes(150, 100, 3000));
        } else if (set == u"odd") {
            for (const QString& name : {QStringLiteral("a&b.gif"), QStringLiteral("blue sky.gif"),
                                        QStringLiteral("it's.gif"), QStringLiteral("é d/100%#.gif"),
                                        QStringLiteral("é d/夕焼け.gif"), QStringLiteral("é d/😀.gif")})
                gif(name, 10, 10, 100);
        } else if (set == u"deep") {
            gif(QStringLiteral("x.gif"), 10, 10, 100);
            gif(QStringLiteral("trip/day1/y.gif"), 10, 10, 100);
        } else if (set == u"pages") {
            writeFile(root + QStringLiteral("a.html"),
                      "<html><head>\r\n<title>Café &amp; <b></title>\r\n</head></html>");
            writeFile(root + QStringLiteral("b.htm"), "<html><body>no title</body></html>");
            m_inputs << root + QStringLiteral("a.html") << root + QStringLiteral("b.htm");
            gif(QStringLiteral("c.gif"), 10, 10, 100);
        } else if (!set.isEmpty()) {
            QFAIL(qPrintable(QStringLiteral("unknown picture set ") + set));
        }
    }

    QString expand(QString text) const {
        text.replace(QStringLiteral("{R}"), root);
        text.replace(QStringLiteral("{U}"), root.mid(1));
        text.replace(QStringLiteral("{B}"), m_base);
        text.replace(QStringLiteral("{b}"), m_base.mid(1));
        text.replace(QStringLiteral("{P}"), prog);
        return text;
    }

    QStringList expand(const QStringList& texts) const {
        QStringList out;
        for (const QString& t : texts)
            out << expand(t);
        return out;
    }

    // Every page (".html" or ".htm" file, or a run's temporary file) below the base folder that the fixture
    // did not make, sorted.
    QStringList pages() const {
        QStringList found;
        // A temporary file of the run's own counts too: none may outlive a run.
        QDirIterator it(m_dir.path(),
                        {QStringLiteral("*.html"), QStringLiteral("*.htm"), QStringLiteral(".veldrin-*")},
                        QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!m_inputs.contains(path))
                found << path;
        }
        found.sort();
        return found;
    }

    veldrin::RunResult run() { return veldrin::GenerateListPages(env); }

private:
    QTemporaryDir m_dir;
    QString m_base;
    QStringList m_inputs; // pages that are pictures' companions, not output

public:
    QString root;
    QString prog;
    veldrin::Settings settings;
    veldrin::RecordSettingsAccess access;
    HookedHost host;
    veldrin::RunValues values;
    veldrin::RunEnv env;
};

// The literal pieces of the pages.

inline const QString kMeta =
    QStringLiteral("<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'>");

inline QString head(const QString& title) {
    return QStringLiteral("<HTML><HEAD><TITLE>") + title + QStringLiteral("</TITLE>") + kMeta +
           QStringLiteral("</HEAD>");
}

inline QString headWithTarget(const QString& title, const QString& target) {
    return QStringLiteral("<HTML><HEAD><TITLE>") + title + QStringLiteral("</TITLE>") + kMeta +
           QStringLiteral("<BASE TARGET='") + target + QStringLiteral("'></HEAD>");
}

// The pop-up script for the folder whose URL form (after "file:///") is folderUrl.
inline QStringList script(const QString& folderUrl = QStringLiteral("{U}")) {
    return {
        QStringLiteral("<script LANGUAGE='JavaScript'><!--"),
        QStringLiteral("function pop1(wpic,wwidth,wheight){"),
        QStringLiteral("open('file:///") + folderUrl +
            QStringLiteral("'+wpic,'_blank','scrollbars,resizable,width='+wwidth+',height='+wheight);"),
        QStringLiteral("return false;}"),
        QStringLiteral("function pop2(wpic){"),
        QStringLiteral("open('file:///") + folderUrl + QStringLiteral("'+wpic);"),
        QStringLiteral("return false;}"),
        QStringLiteral("//--></script>"),
    };
}

inline const QString kBody = QStringLiteral("<BODY TEXT=BLACK BGCOLOR=#FFFFFF LINK=BLUE>");
inline const QString kTable = QStringLiteral("<TABLE BORDER=0 CELLSPACING=2 CELLPADDING=2>");
inline const QString kEnd = QStringLiteral("</BODY></HTML>");
inline const QString kFrameTail =
    QStringLiteral("</FRAMESET><NOFRAMES><P>このページはフレームに対応したブラウザでのみア"
                   "クセスできます。</P></NOFRAMES></HTML>");

inline QString frame(const QString& name, const QString& source) {
    return QStringLiteral("<FRAME NAME=") + name + QStringLiteral(" SRC=") + source +
           QStringLiteral(" SCROLLING=auto MARGINHEIGHT=5 MARGINWIDTH=5>");
}

// The five lines of a link-list entry.
inline QStringList linkEntry(const QString& href, const QString& text, const QString& kb) {
    return {QStringLiteral("<A HREF='") + href + QStringLiteral("'>"), text, QStringLiteral("</A>"),
            QStringLiteral(" - ") + kb, QStringLiteral("<BR>")};
}

// A picture entry of the plain picture form.
inline QString pictureEntry(const QString& src, const QString& alt) {
    return QStringLiteral("<IMG BORDER=0 SRC='") + src + QStringLiteral("' VSPACE = '1' HSPACE = '1' ALT='") +
           alt + QStringLiteral("'>");
}

// The three index lines of a part.
inline QStringList indexEntry(const QString& part, const QString& label) {
    return {QStringLiteral("<A HREF='") + part + QStringLiteral("'>"), label, QStringLiteral("</A><BR>")};
}

inline QString cell(const QString& colour = QStringLiteral("FFFFFF"),
                    const QString& w = QStringLiteral("100"), const QString& h = QStringLiteral("100")) {
    return QStringLiteral("<TD VALIGN=MIDDLE ALIGN=CENTER BGCOLOR=#") + colour + QStringLiteral(" WIDTH=") +
           w + QStringLiteral(" HEIGHT=") + h + u'>';
}

// The browser link of a thumbnail with absolute links and no frames; path is relative to the folder.
inline QString pop2Link(const QString& path) {
    return QStringLiteral("<A HREF='file:///{U}") + path + QStringLiteral("' onClick=\"return pop2('") +
           path + QStringLiteral("');return true\">");
}

inline QString pop1Link(const QString& path, const QString& w, const QString& h) {
    return QStringLiteral("<A HREF='file:///{U}") + path + QStringLiteral("' onClick=\"return pop1('") +
           path + QStringLiteral("','") + w + QStringLiteral("','") + h + QStringLiteral("');return true\">");
}

inline QString plainLink(const QString& href) {
    return QStringLiteral("<A HREF='") + href + QStringLiteral("'>");
}

inline QString img(const QString& src, const QString& alt, const QString& size) {
    return QStringLiteral("<IMG BORDER=0 SRC='") + src + QStringLiteral("' VSPACE='1' HSPACE='1' ALT='") +
           alt + QStringLiteral("' ") + size + u'>';
}

inline QString fileUrl(const QString& path) {
    return QStringLiteral("file:///{U}") + path;
}

// A thumbnail cell of a 10x10 picture of 100 bytes with relative links: in a plain list the
// picture opens in the window named top, in frames in the page's base target.
inline QString relativeCell(const QString& path, bool frames) {
    return cell() + QStringLiteral("<A HREF='") + path +
           (frames ? QStringLiteral("'>") : QStringLiteral("' TARGET='top'>")) +
           img(path, path + QStringLiteral(" 100バイト "), QStringLiteral("WIDTH=100")) +
           QStringLiteral("</A></TD>");
}

// Compares every page below the fixture's base folder with the expected ones, by name and content.
struct Page {
    QString path; // with placeholders
    QStringList lines;
};
using Pages = QList<Page>;

inline void comparePages(const RunFixture& f, const Pages& expected) {
    QStringList names;
    for (const Page& p : expected)
        names << f.expand(p.path);
    names.sort();
    QCOMPARE(f.pages(), names);
    for (const Page& p : expected) {
        comparePage(f.expand(p.path), f.expand(p.lines));
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace htmlgen_test

Q_DECLARE_METATYPE(htmlgen_test::Pages)
