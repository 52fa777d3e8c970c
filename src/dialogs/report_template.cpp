#include "dialogs/report_template.h"

#include "platform/vb.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QRegularExpression>

namespace {

struct Token {
    QString text;
    bool quoted = false; // the token began with a quote: a content string
};

QList<Token> tokenize(const QString& line, QString* error)
{
    QList<Token> out;
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        Token t;
        t.quoted = line[i] == '"';
        while (i < n && !line[i].isSpace()) {
            if (line[i] == '"') {
                // A quoted run; "" inside it is one quote.
                ++i;
                bool closed = false;
                while (i < n) {
                    if (line[i] == '"') {
                        if (i + 1 < n && line[i + 1] == '"') {
                            t.text += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    t.text += line[i++];
                }
                if (!closed) {
                    *error = QStringLiteral("引号没有配对");
                    return {};
                }
            } else {
                t.text += line[i++];
            }
        }
        out.append(t);
    }
    return out;
}

const QRegularExpression& identRe()
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re;
}

const QRegularExpression& columnRe()
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)?$"));
    return re;
}

class Parser {
public:
    Parser(const QString& name, ReportTemplate& t) : m_name(name), m_t(t) {}
    void parse(const QString& text);

private:
    [[noreturn]] void fail(const QString& detail) const
    {
        throw ReportError(QStringLiteral("报表文件%1第%2行有错误: %3").arg(m_name).arg(m_lineNo).arg(detail));
    }
    double number(const Token& tok) const;
    void parseLine(const QList<Token>& toks);
    void parseItem(const QString& kw, const QList<Token>& toks);
    void parseBand(RptBand::Kind kind, const QList<Token>& toks);
    RptCondition condition(const QList<Token>& toks, int at) const;
    void finish();

    QString m_name;
    ReportTemplate& m_t;
    int m_lineNo = 0;
    RptBand* m_band = nullptr;
};

double Parser::number(const Token& tok) const
{
    bool ok = false;
    const double v = tok.text.toDouble(&ok);
    if (!ok || tok.quoted)
        fail(QStringLiteral("\"%1\" 不是数字").arg(tok.text));
    return v;
}

void Parser::parse(const QString& text)
{
    const QStringList lines = text.split('\n');
    for (const QString& raw : lines) {
        ++m_lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QString error;
        const QList<Token> toks = tokenize(line, &error);
        if (!error.isEmpty())
            fail(error);
        parseLine(toks);
    }
    finish();
}

void Parser::parseLine(const QList<Token>& toks)
{
    const QString kw = toks[0].text.toLower();
    if (toks[0].quoted)
        fail(QStringLiteral("行首应是关键字"));
    static const QMap<QString, RptBand::Kind> bandKinds{
        {"title", RptBand::Title}, {"header", RptBand::Header}, {"detail", RptBand::Detail},
        {"footer", RptBand::Footer}, {"summary", RptBand::Summary}};
    if (bandKinds.contains(kw)) {
        parseBand(bandKinds.value(kw), toks);
        return;
    }
    if (kw == "text" || kw == "field" || kw == "sum" || kw == "count" || kw == "line" || kw == "box") {
        parseItem(kw, toks);
        return;
    }
    if (m_band)
        fail(QStringLiteral("\"%1\" 只能写在第一个区段之前").arg(toks[0].text));
    if (kw == "table") {
        if (toks.size() != 2 || !identRe().match(toks[1].text).hasMatch())
            fail(QStringLiteral("应写作 table 数据表名"));
        m_t.table = toks[1].text;
    } else if (kw == "join") {
        // join TABLE on COLUMN = TABLECOLUMN, where COLUMN is the scratch
        // table's or, written TABLE.COLUMN, one of a table joined above
        // (the waybill's customer: join M03 on B01.F603 = F1).
        if (toks.size() != 6 || toks[2].text.toLower() != "on" || toks[4].text != "="
            || !identRe().match(toks[1].text).hasMatch() || !columnRe().match(toks[3].text).hasMatch()
            || !identRe().match(toks[5].text).hasMatch())
            fail(QStringLiteral("应写作 join 数据表 on 字段 = 字段"));
        const QString joined = toks[1].text;
        bool known = joined.compare(m_t.table, Qt::CaseInsensitive) == 0;
        for (const RptJoin& j : m_t.joins)
            known = known || j.table.compare(joined, Qt::CaseInsensitive) == 0;
        if (known)
            fail(QStringLiteral("数据表%1已经列出").arg(joined));
        const int dot = int(toks[3].text.indexOf('.'));
        if (dot > 0) {
            const QString from = toks[3].text.left(dot);
            bool earlier = !m_t.table.isEmpty() && from.compare(m_t.table, Qt::CaseInsensitive) == 0;
            for (const RptJoin& j : m_t.joins)
                earlier = earlier || j.table.compare(from, Qt::CaseInsensitive) == 0;
            if (!earlier)
                fail(QStringLiteral("数据表%1应先列出").arg(from));
        }
        m_t.joins.append({joined, toks[3].text, toks[5].text});
    } else if (kw == "page") {
        static const QMap<QString, QSizeF> sizes{{"a3", {297, 420}}, {"a4", {210, 297}}, {"a5", {148, 210}},
            {"b5", {176, 250}}, {"letter", {215.9, 279.4}}};
        QSizeF s;
        int next = 2;
        if (toks.size() >= 2 && sizes.contains(toks[1].text.toLower())) {
            s = sizes.value(toks[1].text.toLower());
        } else if (toks.size() >= 3) {
            s = QSizeF(number(toks[1]), number(toks[2]));
            next = 3;
        } else {
            fail(QStringLiteral("应写作 page A4 [portrait|landscape] 或 page 宽 高"));
        }
        if (next < toks.size()) {
            const QString o = toks[next].text.toLower();
            if (o == "landscape")
                s = QSizeF(qMax(s.width(), s.height()), qMin(s.width(), s.height()));
            else if (o == "portrait")
                s = QSizeF(qMin(s.width(), s.height()), qMax(s.width(), s.height()));
            else
                fail(QStringLiteral("纸张方向应是 portrait 或 landscape"));
            ++next;
        }
        if (next != toks.size() || s.width() < 20 || s.height() < 20)
            fail(QStringLiteral("纸张大小有误"));
        m_t.pageSize = s;
    } else if (kw == "margins") {
        if (toks.size() != 5)
            fail(QStringLiteral("应写作 margins 左 上 右 下"));
        m_t.margins = QMarginsF(number(toks[1]), number(toks[2]), number(toks[3]), number(toks[4]));
    } else if (kw == "font") {
        // font ["Family"] size
        if (toks.size() == 3 && toks[1].quoted) {
            m_t.family = toks[1].text;
            m_t.size = number(toks[2]);
        } else if (toks.size() == 2) {
            m_t.size = number(toks[1]);
        } else {
            fail(QStringLiteral("应写作 font \"字体\" 字号"));
        }
        if (m_t.size <= 0)
            fail(QStringLiteral("字号应大于0"));
    } else if (kw == "formula") {
        if (toks.size() != 3 || !identRe().match(toks[1].text).hasMatch() || !toks[2].quoted)
            fail(QStringLiteral("应写作 formula 公式名 \"缺省值\""));
        m_t.formulaDefaults.insert(toks[1].text.toLower(), toks[2].text);
    } else {
        fail(QStringLiteral("无法识别的关键字 \"%1\"").arg(toks[0].text));
    }
}

// COLUMN op "text" starting at toks[at].
RptCondition Parser::condition(const QList<Token>& toks, int at) const
{
    if (at + 3 > toks.size())
        fail(QStringLiteral("条件应写作 字段 = \"文字\""));
    RptCondition c;
    c.column = toks[at].text;
    if (toks[at].quoted || !columnRe().match(c.column).hasMatch())
        fail(QStringLiteral("条件应以字段名开头"));
    const QString op = toks[at + 1].text;
    if (op == "=")
        c.op = RptCondition::Equal;
    else if (op == "!=" || op == "<>")
        c.op = RptCondition::NotEqual;
    else if (op == "~")
        c.op = RptCondition::Contains;
    else
        fail(QStringLiteral("条件的比较符应是 =、!= 或 ~"));
    if (!toks[at + 2].quoted)
        fail(QStringLiteral("条件的值应写在引号中"));
    c.value = toks[at + 2].text;
    return c;
}

void Parser::parseBand(RptBand::Kind kind, const QList<Token>& toks)
{
    // BAND height [when COLUMN op "text"]
    if (toks.size() < 2)
        fail(QStringLiteral("区段应给出高度"));
    RptBand b;
    b.kind = kind;
    b.lineNo = m_lineNo;
    b.height = number(toks[1]);
    if (b.height < 0)
        fail(QStringLiteral("区段高度不能为负"));
    if (toks.size() > 2) {
        if (kind != RptBand::Detail || toks.size() != 6 || toks[2].text.toLower() != "when")
            fail(QStringLiteral("只有 detail 区段可带条件: detail 高度 when 字段 = \"文字\""));
        b.when = condition(toks, 3);
    }
    if (kind != RptBand::Detail) {
        for (const RptBand& other : m_t.bands)
            if (other.kind == kind)
                fail(QStringLiteral("区段 \"%1\" 重复").arg(toks[0].text));
    } else if (b.when.op == RptCondition::None) {
        for (const RptBand& other : m_t.bands)
            if (other.kind == kind && other.when.op == RptCondition::None)
                fail(QStringLiteral("不带条件的 detail 区段只能有一个"));
    }
    m_t.bands.append(b);
    m_band = &m_t.bands.last();
}

void Parser::parseItem(const QString& kw, const QList<Token>& toks)
{
    if (!m_band)
        fail(QStringLiteral("\"%1\" 应写在某个区段之内").arg(toks[0].text));
    if (toks.size() < 5)
        fail(QStringLiteral("\"%1\" 应给出位置和大小").arg(toks[0].text));
    RptItem it;
    it.lineNo = m_lineNo;
    const double a = number(toks[1]), b = number(toks[2]), c = number(toks[3]), d = number(toks[4]);
    static const QMap<QString, RptItem::Kind> kinds{{"text", RptItem::Text}, {"field", RptItem::Field},
        {"sum", RptItem::Sum}, {"count", RptItem::Count}, {"line", RptItem::Line}, {"box", RptItem::Box}};
    it.kind = kinds.value(kw);
    if (it.kind == RptItem::Line)
        it.line = QLineF(a, b, c, d);
    else
        it.rect = QRectF(a, b, c, d);
    int h = Qt::AlignLeft, v = Qt::AlignVCenter;
    bool haveContent = false;
    for (int i = 5; i < toks.size(); ++i) {
        const Token& t = toks[i];
        const int eq = t.quoted ? -1 : int(t.text.indexOf('='));
        const QString key = eq > 0 ? t.text.left(eq).toLower() : t.text.toLower();
        const QString val = eq > 0 ? t.text.mid(eq + 1) : QString();
        if (eq > 0 && key == "size") {
            it.size = number(Token{val, false});
            if (it.size <= 0)
                fail(QStringLiteral("字号应大于0"));
        } else if (eq > 0 && key == "family") {
            it.family = val;
        } else if (eq > 0 && key == "format") {
            it.format = val;
        } else if (eq > 0 && key == "width") {
            it.penWidth = number(Token{val, false});
        } else if (!t.quoted && key == "left") {
            h = Qt::AlignLeft;
        } else if (!t.quoted && key == "center") {
            h = Qt::AlignHCenter;
        } else if (!t.quoted && key == "right") {
            h = Qt::AlignRight;
        } else if (!t.quoted && key == "top") {
            v = Qt::AlignTop;
        } else if (!t.quoted && key == "bottom") {
            v = Qt::AlignBottom;
        } else if (!t.quoted && key == "bold") {
            it.bold = true;
        } else if (!t.quoted && key == "wrap") {
            it.wrap = true;
        } else if (!t.quoted && key == "grow") {
            it.wrap = it.grow = true;
        } else if (!t.quoted && key == "elide") {
            it.elide = true;
        } else if (!t.quoted && key == "suppress" && it.kind == RptItem::Field) {
            it.suppress = true;
        } else if (!t.quoted && key == "when" && (it.kind == RptItem::Sum || it.kind == RptItem::Count)) {
            if (i + 4 != toks.size())
                fail(QStringLiteral("when 的条件应写在行末"));
            it.when = condition(toks, i + 1);
            i += 3;
        } else if (!haveContent && it.kind == RptItem::Text && t.quoted) {
            it.text = t.text;
            haveContent = true;
        } else if (!haveContent && (it.kind == RptItem::Field || it.kind == RptItem::Sum) && !t.quoted
                   && columnRe().match(t.text).hasMatch()) {
            it.column = t.text;
            haveContent = true;
        } else {
            fail(QStringLiteral("无法识别 \"%1\"").arg(t.text));
        }
    }
    if (it.kind == RptItem::Text && !haveContent)
        fail(QStringLiteral("text 应给出引号中的文字"));
    if ((it.kind == RptItem::Field || it.kind == RptItem::Sum) && !haveContent)
        fail(QStringLiteral("%1 应给出字段名").arg(kw));
    it.align = h | v;
    m_band->items.append(it);
}

void Parser::finish()
{
    if (m_t.table.isEmpty()) {
        m_lineNo = 1;
        fail(QStringLiteral("没有给出数据表 (table)"));
    }
    // A dotted column must name a joined table.
    for (const QString& col : m_t.columnsUsed()) {
        const int dot = int(col.indexOf('.'));
        if (dot < 0)
            continue;
        const QString table = col.left(dot);
        bool found = table.compare(m_t.table, Qt::CaseInsensitive) == 0;
        for (const RptJoin& j : m_t.joins)
            found = found || j.table.compare(table, Qt::CaseInsensitive) == 0;
        if (!found)
            throw ReportError(QStringLiteral("报表文件%1所用的字段%2不属于所列的数据表!").arg(m_name, col));
    }
    const double bodyHeight = m_t.pageSize.height() - m_t.margins.top() - m_t.margins.bottom();
    if (bodyHeight <= 0 || m_t.pageSize.width() - m_t.margins.left() - m_t.margins.right() <= 0)
        throw ReportError(QStringLiteral("报表文件%1的页边距大于纸张!").arg(m_name));
}

} // namespace

bool RptCondition::matches(const QString& cell) const
{
    const QString a = TrimBlanks(cell), b = TrimBlanks(value);
    switch (op) {
    case Equal: return a == b;
    case NotEqual: return a != b;
    case Contains: return a.contains(b);
    case None: break;
    }
    return true;
}

ReportTemplate ReportTemplate::load(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("报表文件%1丢失!").arg(name));
    QString text = QString::fromUtf8(f.readAll());
    text.remove('\r');
    return parse(text, name);
}

ReportTemplate ReportTemplate::parse(const QString& text, const QString& name)
{
    ReportTemplate t;
    t.name = name;
    Parser(name, t).parse(text);
    return t;
}

const RptBand* ReportTemplate::band(RptBand::Kind kind) const
{
    for (const RptBand& b : bands)
        if (b.kind == kind)
            return &b;
    return nullptr;
}

QList<const RptBand*> ReportTemplate::detailBands() const
{
    // Conditional bands are tried first, in their order; the plain one last.
    QList<const RptBand*> out;
    const RptBand* plain = nullptr;
    for (const RptBand& b : bands) {
        if (b.kind != RptBand::Detail)
            continue;
        if (b.when.op == RptCondition::None)
            plain = &b;
        else
            out.append(&b);
    }
    if (plain)
        out.append(plain);
    return out;
}

QStringList ReportTemplate::columnsUsed() const
{
    QStringList out;
    auto add = [&out](const QString& c) {
        for (const QString& have : out)
            if (have.compare(c, Qt::CaseInsensitive) == 0)
                return;
        out << c;
    };
    for (const RptBand& b : bands) {
        if (b.when.op != RptCondition::None)
            add(b.when.column);
        for (const RptItem& it : b.items) {
            if (!it.column.isEmpty())
                add(it.column);
            if (it.when.op != RptCondition::None)
                add(it.when.column);
        }
    }
    return out;
}

QStringList ReportTemplate::formulasUsed() const
{
    QStringList out;
    for (const RptBand& b : bands)
        for (const RptItem& it : b.items)
            if (it.kind == RptItem::Text)
                for (const QString& n : FormulaNames(it.text))
                    if (n != "page" && n != "pages" && !out.contains(n))
                        out << n;
    return out;
}

QString DefaultReportFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* f : {"Noto Sans CJK SC", "WenQuanYi Zen Hei", "Noto Sans CJK TC", "Noto Serif CJK SC"})
            if (installed.contains(QString::fromLatin1(f)))
                return QString::fromLatin1(f);
        return QStringLiteral("Noto Sans CJK SC");
    }();
    return family;
}

QString SubstituteFormulas(const QString& text, const QMap<QString, QString>& formulas, int page, int pages)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            out += c;
            ++i;
            continue;
        }
        if (c == '{') {
            const int end = int(text.indexOf('}', i + 1));
            if (end > i) {
                const QString key = text.mid(i + 1, end - i - 1).trimmed().toLower();
                if (key == "page")
                    out += QString::number(page);
                else if (key == "pages")
                    out += QString::number(pages);
                else
                    out += formulas.value(key);
                i = end;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QStringList FormulaNames(const QString& text)
{
    QStringList out;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            ++i;
            continue;
        }
        if (c == '{') {
            const int end = int(text.indexOf('}', i + 1));
            if (end > i) {
                out << text.mid(i + 1, end - i - 1).trimmed().toLower();
                i = end;
            }
        }
    }
    return out;
}
