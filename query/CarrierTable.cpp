#include "CarrierTable.h"

namespace CarrierTable {

const QList<Carrier> &rows()
{
    static const QList<Carrier> table = {
        {"zhongtong", "zhongtong", "中通"},
        {"yuantong", "yuantong", "圆通"},
        {"shentong", "shentong", "申通"},
        {"shunfeng", "shunfeng", "顺丰"},
        {"yunda", "yunda", "韵达"},
        {"huitongkuaidi", "huitong", "汇通"},
        {"tiantian", "tiantian", "天天"},
        {"zhaijisong", "zhaijisong", "宅急送"},
        {"quanfengkuaidi", "quanfeng", "全峰"},
        {"ems", "ems", "ems"},
        {"xiaobao", "pingyou", "邮政小包"},
        {"eyoubao", "eyoubao", "e邮宝"},
        {"gnxb", "gnxb", "邮政国内小包"},
        {"guotong", "guotong", "国通"},
        {"jingdong", "jingdong", "京东"},
        {"yousu", "yousu", "优速"},
        {"quanyi", "quanyi", "全一"},
        {"xinbang", "xinbang", "兴邦"},
        {"huacheng", "huacheng", "华城"},
        {"debang", "debang", "德邦"},
        {"longbang", "longbang", "龙邦"},
        {"huayu", "huayu", "华宇"},
        {"yuancheng", "yuancheng", "远成"},
        {"jiayi", "jiayi", "佳怡"},
        // The 速尔 button has a row of its own, so that choosing it queries rather than doing
        // nothing at all.
        {"sure", "suer", "速尔"},
    };
    return table;
}

std::optional<Carrier> forwardLookup(const std::function<bool(const QString &buttonName)> &isSelected)
{
    for (const Carrier &row : rows()) {
        if (isSelected(row.buttonName))
            return row;
    }
    return std::nullopt;
}

std::optional<Carrier> reverseLookup(const QString &displayName)
{
    for (const Carrier &row : rows()) {
        if (row.displayName == displayName)
            return row;
    }
    return std::nullopt;
}

} // namespace CarrierTable
