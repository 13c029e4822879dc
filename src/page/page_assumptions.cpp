// page_assumptions.cpp - the rules that every figure of the page assumes, stated once, and the
// footer.
//
// This unit's literals are UTF-8, the page's encoding.
#include <string>

#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"

void put_assumptions(std::string* out, const PageFigures& f) {
    put(out,
        "<h2>前提</h2>\n<ul class=\"assumptions\">\n"
        "<li>メダルは50枚1000円で借ります（1枚20円）。メダルがなくなるたびに借り足します。</li>\n"
        "<li>1日は7000回転目以降の最初のボーナスまで打ちます（ボーナスがなければ7500回転まで）。"
        "平均すると1日 ");
    using I = FigureId;
    out->append(
        figure(I::exact_spins_mean, decimals_of(real_of(f, I::exact_spins_mean), 1) + "回転") +
        "、ボーナス " +
        figure(I::exact_bonuses_mean, decimals_of(real_of(f, I::exact_bonuses_mean), 2) + "回") +
        "です。");
    put(out, "</li>\n<li>残ったメダルは ");
    append_integer(out, whole_of(f, FigureId::z));
    put(out,
        "枚100円で、500円単位で換金します。端数のメダルは捨てます（貯メダルはしません）。</li>\n"
        "<li>時間は1時間に ");
    append_integer(out, whole_of(f, FigureId::exact_spins_per_hour));
    put(out,
        "回転打つとして計算しています。</li>\n"
        "<li>理論値はメダルを実数で計算しています。シミュレーションはメダルを単精度の小数で"
        "数えるので、その丸めの分だけ異なります。</li>\n</ul>\n");
    put(out,
        "<footer>乱数の種と設定が同じなら、同じ結果とこのページが再現されます。"
        "数値はこのページのソースの JSON（id=\"quorvantelmix-data\"）にも入っています。"
        "</footer>\n");
}
