// Benchmark only: 150 more record kinds than the product declares, each with its own shape and
// 64 factory rows, linked into nvrweb_kinds.cgi (never into nvrweb.cgi) by bench/run.sh.
#include <stdint.h>

#include "core/qvdb.h"

namespace {

struct BenchRecord {
    int32_t channel;
    int32_t enable;
    int32_t sensitivity;
    int32_t interval;
    int32_t mode;
    int32_t level;
    int32_t speed;
    int32_t zoom;
    int32_t focus;
    char name[32];
    char area[64];
    double ratio;
};

const QvdbField kBenchFields[] = {
    QVDB_FIELD(BenchRecord, channel, "channel"),   QVDB_FIELD(BenchRecord, enable, "enable"),
    QVDB_FIELD(BenchRecord, sensitivity, "sensitivity"), QVDB_FIELD(BenchRecord, interval, "interval"),
    QVDB_FIELD(BenchRecord, mode, "mode"),         QVDB_FIELD(BenchRecord, level, "level"),
    QVDB_FIELD(BenchRecord, speed, "speed"),       QVDB_FIELD(BenchRecord, zoom, "zoom"),
    QVDB_FIELD(BenchRecord, focus, "focus"),       QVDB_FIELD(BenchRecord, name, "name"),
    QVDB_FIELD(BenchRecord, area, "area"),         QVDB_FIELD(BenchRecord, ratio, "ratio"),
};

void fill_bench_record(void *record, int key, int) {
    BenchRecord *bench = static_cast<BenchRecord *>(record);
    bench->enable = 1;
    bench->interval = 30 + key;
    bench->ratio = 0.5;
}

#define BENCH_KIND(n)                                                                                         \
    const QvdbShape kBenchShape##n = qvdb_with_factory(                                                       \
        qvdb_record_shape(kQvdbSettings, sizeof(BenchRecord), QVDB_FIELDS(kBenchFields), "channel", 64, 64),  \
        fill_bench_record);                                                                                   \
    QVDB_TABLE(kBenchTable##n, "bench_kind_" #n, kBenchShape##n);
#define BENCH_TEN_KINDS(d)                                                                                    \
    BENCH_KIND(d##0) BENCH_KIND(d##1) BENCH_KIND(d##2) BENCH_KIND(d##3) BENCH_KIND(d##4) BENCH_KIND(d##5)     \
    BENCH_KIND(d##6) BENCH_KIND(d##7) BENCH_KIND(d##8) BENCH_KIND(d##9)

BENCH_TEN_KINDS(1)
BENCH_TEN_KINDS(2)
BENCH_TEN_KINDS(3)
BENCH_TEN_KINDS(4)
BENCH_TEN_KINDS(5)
BENCH_TEN_KINDS(6)
BENCH_TEN_KINDS(7)
BENCH_TEN_KINDS(8)
BENCH_TEN_KINDS(9)
BENCH_TEN_KINDS(10)
BENCH_TEN_KINDS(11)
BENCH_TEN_KINDS(12)
BENCH_TEN_KINDS(13)
BENCH_TEN_KINDS(14)
BENCH_TEN_KINDS(15)

}  // namespace
