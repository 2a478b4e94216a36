#include "ExhibitionStyle.h"

#include "platform/ProductInfo.h"

namespace expo {
namespace {

const std::string simpleHead = "<html><head></head><body><H1><font face=\"Arial Black\">Vitrinel</font></H1>( %s )<br><br>\n";

std::string footer()
{
    return std::string("<br>\n<i><font face=\"Arial Black\">Vitrinel</font> powered by <font face=\"Arial Black\">Corvandelle</font></i><hr>\n<br>\n"
                       "\t\tこのページは <font face=\"Arial Black\">Vitrinel</font> によって作成されました。<br>\n"
                       "\t\t<font face=\"Arial Black\">Vitrinel</font> は<font face=\"Arial Black\">Corvandelle</font>シリーズのアプリケーションです。<br><br>\n"
                       "\t\t<a href=\"")
        + product::homePage + "\">" + product::homePage + "</a><br>\n\t\t" + product::publisherLine + "</body></html>";
}

std::vector<ExhibitionStyle> makeStyles()
{
    std::vector<ExhibitionStyle> styles;

    ExhibitionStyle simple;
    simple.name = "シンプル";
    simple.description = "標準的なスタイルです。";
    simple.head = simpleHead;
    simple.tail = footer();
    simple.openings = {"<BlockQuote>\n"};
    simple.closings = {"</BlockQuote>\n"};
    simple.albumLines = {"<a href=\"%index%\">%title%</a> ( %year% 年 %month% 月)\n"};
    simple.folderLines = {"<font color=\"red\">%title%</font>\n"};
    styles.push_back(simple);

    ExhibitionStyle green;
    green.name = "新緑";
    green.description = "新緑の緑色を基調にしたシンプルなスタイルです。";
    green.head = simpleHead + "<table border=\"0\" cellpadding=\"5\" cellspacing=\"1\" bgcolor=\"#70ad1d\">";
    green.tail = "</table><br>\n" + footer();
    green.albumLines = {
        " ",
        "<tr><td width=\"5%\"></td><td bgcolor=\"white\" colspan=\"2\">%year% 年 %month% 月</td><td bgcolor=\"white\"><a href=\"%index%\">%title%</a>\n",
        "<tr><td width=\"10%\" colspan=\"2\"></td><td bgcolor=\"white\">%year% 年 %month% 月</td><td bgcolor=\"white\"><a href=\"%index%\">%title%</a>\n",
    };
    green.folderLines = {
        "<tr><td bgcolor=\"#f1fed1\" colspan=\"4\"><font color=\"red\">%title%</font></td></tr>\n",
        "<tr><td width=\"5%\"></td><td bgcolor=\"white\" colspan=\"3\"><font color=\"red\">%title%</font></td></tr>\n",
        " ",
    };
    styles.push_back(green);
    return styles;
}

const std::vector<ExhibitionStyle>& styles()
{
    static const std::vector<ExhibitionStyle> all = makeStyles();
    return all;
}

} // namespace

int exhibitionStyleCount()
{
    return static_cast<int>(styles().size());
}

const ExhibitionStyle& exhibitionStyle(int number)
{
    return styles().at(static_cast<std::size_t>(number));
}

} // namespace expo
