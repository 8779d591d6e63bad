#include "TrackingService.h"

#include "CarrierTable.h"
#include "Identity.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>

namespace TrackingService {

namespace {

const QByteArray jsonType = "application/json;charset=utf-8";

// splitmix64: tiny, and its sequence is the same everywhere, unlike the standard distributions.
class Sequence
{
public:
    explicit Sequence(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int bound) { return int(next() % quint64(bound)); }
    template <typename T> const T &pick(const QList<T> &items) { return items[below(int(items.size()))]; }

private:
    quint64 m_state;
};

quint64 fnv1a(const QByteArray &bytes)
{
    quint64 hash = 0xCBF29CE484222325ull;
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

struct City
{
    QString name;
    QStringList districts;
};

const QList<City> &cities()
{
    static const QList<City> list = {
        {"上海", {"浦东新区", "闵行区", "徐汇区", "松江区"}}, {"北京", {"朝阳区", "海淀区", "丰台区", "大兴区"}},
        {"广州", {"天河区", "白云区", "番禺区", "海珠区"}},   {"深圳", {"南山区", "宝安区", "龙岗区", "福田区"}},
        {"杭州", {"西湖区", "余杭区", "萧山区", "江干区"}},   {"南京", {"鼓楼区", "江宁区", "玄武区", "浦口区"}},
        {"武汉", {"洪山区", "江汉区", "武昌区", "汉阳区"}},   {"成都", {"武侯区", "锦江区", "青羊区", "双流县"}},
        {"西安", {"雁塔区", "未央区", "碑林区", "长安区"}},   {"长沙", {"岳麓区", "芙蓉区", "天心区", "雨花区"}},
        {"郑州", {"金水区", "二七区", "中原区", "管城区"}},   {"济南", {"历下区", "市中区", "槐荫区", "天桥区"}},
        {"沈阳", {"和平区", "沈河区", "皇姑区", "铁西区"}},   {"重庆", {"渝中区", "江北区", "南岸区", "九龙坡区"}},
        {"苏州", {"姑苏区", "吴中区", "工业园区", "相城区"}}, {"厦门", {"思明区", "湖里区", "集美区", "海沧区"}},
    };
    return list;
}

const QStringList &surnames()
{
    static const QStringList list = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "周", "吴", "徐", "孙"};
    return list;
}

QByteArray problem(const QString &message)
{
    return QStringLiteral(R"({"message":"%1","status":"201"})").arg(message).toUtf8();
}

QString phoneNumber(Sequence &random)
{
    static const QStringList prefixes = {"138", "139", "136", "158", "186", "189"};
    return random.pick(prefixes) + QStringLiteral("%1").arg(random.below(100000000), 8, 10, QLatin1Char('0'));
}

struct Event
{
    QDateTime time;
    QString context;
};

// The parcel's way, oldest event first: collected at a branch, through a few sorting centres,
// delivered from a branch at the destination; a parcel still on its way stops somewhere before.
QList<Event> journey(const QString &courierName, const QString &number)
{
    Sequence random(fnv1a(number.toUtf8()));
    const City &origin = random.pick(cities());
    const City *destination = &random.pick(cities());
    while (destination == &origin && cities().size() > 1)
        destination = &random.pick(cities());
    const QString originBranch = origin.name + "市" + random.pick(origin.districts) + "公司";
    const QString destinationBranch = destination->name + "市" + random.pick(destination->districts) + "公司";

    // Sorting centres on the way, each city at most once.
    QStringList route = {origin.name};
    const int stopovers = random.below(4);
    while (route.size() < 1 + stopovers) {
        const QString &city = random.pick(cities()).name;
        if (!route.contains(city) && city != destination->name)
            route << city;
    }
    route << destination->name;
    QStringList centres;
    for (const QString &city : route)
        centres << city + (random.below(3) ? "转运中心" : "分拨中心");

    QStringList contexts;
    contexts << QStringLiteral("【%1】的收件员【%2师傅】已收件").arg(originBranch, random.pick(surnames()));
    contexts << QStringLiteral("快件已从【%1】发出，准备发往【%2】").arg(originBranch, centres.first());
    for (qsizetype i = 0; i < centres.size(); ++i) {
        const QString next = i + 1 < centres.size() ? centres[i + 1] : destinationBranch;
        contexts << QStringLiteral("快件已到达【%1】").arg(centres[i]);
        contexts << QStringLiteral("快件已从【%1】发出，准备发往【%2】").arg(centres[i], next);
    }
    contexts << QStringLiteral("快件已到达【%1】").arg(destinationBranch);
    contexts << QStringLiteral("【%1】派件员：%2师傅 %3 正在为您派件")
                    .arg(destinationBranch, random.pick(surnames()), phoneNumber(random));
    static const QStringList signers = {"本人", "前台", "门卫", "家人", "快递柜"};
    contexts
        << QStringLiteral("已签收，签收人：%1，感谢使用%2，期待再次为您服务").arg(random.pick(signers), courierName);

    // One parcel in four is still on its way.
    if (random.below(4) == 0)
        contexts.resize(2 + random.below(int(contexts.size()) - 2));

    QDateTime time(QDate(2015, 5, 1).addDays(random.below(60)),
                   QTime(7 + random.below(12), random.below(60), random.below(60)), QTimeZone::utc());
    QList<Event> events;
    for (const QString &context : contexts) {
        events.append({time, context});
        time = time.addSecs(1800 + random.below(9 * 3600));
    }
    return events;
}

} // namespace

bool isKnownNumber(const QString &number)
{
    if (number.size() < 6 || number.size() > 30)
        return false;
    const bool plain = std::all_of(number.begin(), number.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
    const bool onlyZeros = std::all_of(number.begin(), number.end(), [](QChar c) { return c == u'0'; });
    return plain && !onlyZeros;
}

QByteArray trackingAnswer(const QString &courierCode, const QString &number, const QString &key)
{
    if (key != TrackingProtocol::AccessKey)
        return problem(QStringLiteral("授权错误，请检查单号和授权码"));
    const auto &carriers = CarrierTable::rows();
    const auto courier = std::find_if(carriers.begin(), carriers.end(),
                                      [&courierCode](const Carrier &c) { return c.apiCode == courierCode; });
    if (courier == carriers.end())
        return problem(QStringLiteral("快递公司参数异常：不支持的快递公司"));
    if (!isKnownNumber(number))
        return problem(QStringLiteral("单号不存在或者已经过期"));

    const QList<Event> events = journey(courier->displayName, number);
    const bool delivered = events.last().context.startsWith(QStringLiteral("已签收"));
    QStringList data;
    for (const Event &event : events) {
        data << QStringLiteral(R"({"time":"%1","context":"%2"})")
                    .arg(event.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), event.context);
    }
    // The number and the code are plain letters and digits here, so they need no JSON escaping.
    return QStringLiteral(
               R"({"message":"ok","nu":"%1","ischeck":"%2","com":"%3","status":"200","data":[%4],"state":"%5"})")
        .arg(number, delivered ? "1" : "0", courier->apiCode, data.join(u','), delivered ? "3" : "0")
        .toUtf8();
}

Answer answerFor(const QString &path, const QString &query, const QString &updateAnswer)
{
    if (const auto request = TrackingProtocol::readTrackingRequest(path, query))
        return {200, jsonType, trackingAnswer(request->courierCode, request->number, request->key)};
    if (path == TrackingProtocol::UpdateFilePath)
        return {200, "text/plain;charset=utf-8", updateAnswer.toUtf8()};
    return {200, "text/html;charset=utf-8",
            QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                           "<title>%1</title></head>\n<body><h1>%1</h1>"
                           "<p>这是本机的模拟站点：快递查询服务、更新文件和主页都在这里。</p></body></html>\n")
                .arg(ProgramTitle)
                .toUtf8()};
}

} // namespace TrackingService
