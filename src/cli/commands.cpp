#include "cli/commands.h"

#include <cstdio>
#include <thread>
#include <algorithm>
#include <set>

#include "core/open_failure.h"
#include "core/value_text.h"

namespace quillon::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"info", "заголовок файла и список треков",
         "quillon-cli info ФАЙЛ [--json]\r\nЧитает заголовок файла (до первого кластера) и выводит треки: номер, тип, описание, "
         "язык, признак трека по умолчанию.\r\n"
         "  --json  один документ JSON: tracks, info, attachments, chapters\r\n"
         "Код возврата: 0 ошибок нет, 1 ошибка в файле, 2 ошибка вызова или открытия файла.",
         {"--json"},
         {},
         RunInfo},
        {"check", "проверка контейнера",
         "quillon-cli check ФАЙЛ [--quick] [--json]\r\nПроверяет структуру контейнера и выводит строки журнала.\r\n"
         "  --quick  быстрая проверка: без содержимого кластеров, Cues и SeekHead\r\n"
         "  --json   один документ JSON: как у info, и ещё log (строки журнала) и result\r\n"
         "Код возврата: 0 ошибок нет, 1 ошибка в файле, 2 ошибка вызова или открытия файла.",
         {"--quick", "--json"},
         {},
         RunCheck},
        {"tree", "дерево элементов файла",
         "quillon-cli tree ФАЙЛ [--quick]\r\nВыводит по строке на элемент в порядке файла, с отступом табуляцией по "
         "глубине.\r\n  --quick  быстрая проверка: без содержимого кластеров, Cues и SeekHead\r\n"
         "Код возврата: 0 ошибок нет, 1 ошибка в файле, 2 ошибка вызова или открытия файла.",
         {"--quick"},
         {},
         RunTree},
        {"remux", "новый файл Matroska из выбранных треков",
         "quillon-cli remux ВХОД [-o ВЫХОД] [--tracks СПИСОК] [--packing keep|simple|group] [правки треков]\r\n"
         "                  [--clusters time|keyframe|source] [--no-cues] [--no-seekhead] [--chapters]\r\n"
         "                  [--attachments] [--no-tags] [--overwrite]\r\n"
         "Пишет новый файл Matroska. Без -o имя выхода подбирается рядом с входом (фильм.001.mkv).\r\n"
         "  --tracks 3,1   оставить треки 3 и 1 (номера исходного файла) в этом порядке, с номерами 1 и 2\r\n"
         "  --packing      блоки: keep как было, simple в SimpleBlock, group в BlockGroup\r\n"
         "  --clusters     кластеры: time каждые 1000 единиц времени, keyframe с ключевых кадров видео,\r\n"
         "                 source по времени кластеров исходного файла\r\n"
         "  --no-cues      не создавать Cues;  --no-seekhead  не создавать SeekHead\r\n"
         "  --chapters     выгрузить Chapters;  --attachments  выгрузить Attachments\r\n"
         "  --no-tags      не переносить Tags (без этой опции они переносятся, кроме нацеленных на то, чего нет в новом файле)\r\n"
         "  --overwrite    заменить существующий файл без вопроса\r\n"
         "Правки треков в новом файле (N: номер трека в исходном файле, можно повторять):\r\n"
         "  --name N=ТЕКСТ  название;  --language N=КОД  язык;  --default N  трек по умолчанию своего типа\r\n"
         "  --timescale N=ЧИСЛО  TrackTimecodeScale;  --start N=МСЕК  время первого кадра трека\r\n"
         "Новые треки (номера после имеющихся, в порядке опций; к ним применимы правки треков):\r\n"
         "  --import ФАЙЛ.mkv[:N,M]  треки другого файла Matroska (без списка все)\r\n"
         "  --add-subtitles ФАЙЛ     субтитры .srt, .ass или .ssa;  --add-audio ФАЙЛ.mp3  звук MP3\r\n"
         "Исправление времени трека N перед записью (можно повторять):\r\n"
         "  --repair N=reorder           пересортировать по времени\r\n"
         "  --repair N=retime            порядок не менять, исправить время\r\n"
         "  --repair N=retime-invisible  время исправить, кривые кадры сделать invisible\r\n"
         "  --repair N=keyframes         время ключевых кадров верно, остальные пересчитать\r\n"
         "  --fix-references             ReferenceBlock пересчитать на предшествующий кадр\r\n"
         "Вложения (N: номер из quillon-cli attachments; с ними Attachments пишутся всегда):\r\n"
         "  --attach ФАЙЛ  добавить файл;  --drop-attachment N  не записывать вложение N\r\n"
         "  --attachment-name N=ТЕКСТ, --attachment-mime N=ТИП, --attachment-desc N=ТЕКСТ  имя, тип MIME, описание\r\n"
         "Много файлов по правилам (сезон): quillon-cli remux ФАЙЛ... --output-dir ПАПКА [правила] [-j N] [--json]\r\n"
         "  каждый файл в ПАПКА/ИМЯ (не поверх входа; одинаковые имена из разных папок: ИМЯ (2)); треки выбираются\r\n"
         "  правилами: --keep M (оставить подходящие, прочие треки того же типа убрать), --drop M, --default M,\r\n"
         "  --forced M, --order M,M,..., --name M=ТЕКСТ, --language M=КОД, или --rules ФАЙЛ (по правилу в строке: keep a:jpn).\r\n"
         "  M: тип v, a, s с языком (a:jpn, s:eng) или номер (3), uid:UID, n-й трек типа (a1); через запятую: name~ТЕКСТ,\r\n"
         "  codec=НАЧАЛО, lang=КОД, forced, default. Файл, где --keep ничего не находит, не записывается.\r\n"
         "  Шрифты вложений пишутся, если остаются титры ASS/SSA. -j N: файлов одновременно (по умолчанию по числу ядер).\r\n"
         "Код возврата: 0 файл записан; 1 файл записан с предупреждениями (исходный файл повреждён, блоки\r\n"
         "пропущены), не записан или запись остановлена; 2 ошибка вызова или открытия файла.",
         {"--no-cues", "--no-seekhead", "--chapters", "--attachments", "--no-tags", "--overwrite", "--fix-references", "--json"},
         {"-o", "--tracks", "--packing", "--clusters", "--name", "--lang", "--language", "--default", "--timescale", "--start",
          "--import", "--add-subtitles", "--add-audio", "--repair", "--attach", "--drop-attachment", "--attachment-name",
          "--attachment-mime", "--attachment-desc", "--output-dir", "--keep", "--drop", "--forced", "--order", "--rules", "-j"},
         RunRemux,
         true},
        {"edit", "правка свойств заголовка на месте, в одном файле или во многих",
         "quillon-cli edit ФАЙЛ... [--info | --track ТРЕК] --set СВОЙСТВО=ЗНАЧЕНИЕ ... --delete СВОЙСТВО ...\r\n"
         "                 [--attach ФАЙЛ] [--replace-attachment N=ФАЙЛ] [--drop-attachment N] [--json] [-j N]\r\n"
         "Меняет сами файлы на месте, не переписывая фильм: заголовок пишется в своё место, а если не помещается,\r\n"
         "в конец файла (SeekHead указывает на новое место). В любой момент правки файл читается со старыми\r\n"
         "или с новыми значениями. Повреждённый файл и файл без SeekHead не правятся: для них нужен remux.\r\n"
         "  --info        дальше свойства файла (Info)\r\n"
         "  --track ТРЕК  дальше свойства трека: номер (3), uid:UID, или n-й трек своего типа (v1, a2, s1)\r\n"
         "  --set СВОЙСТВО=ЗНАЧЕНИЕ  задать;  --delete СВОЙСТВО  убрать (действует значение по умолчанию)\r\n"
         "  Свойства файла: title, date (2024-05-01T20:00:00Z), segment-uid, prev-uid, next-uid (32 шестнадцатеричные цифры)\r\n"
         "  Свойства трека: name, language, flag-default, flag-forced, flag-enabled, flag-hearing-impaired,\r\n"
         "    flag-visual-impaired, flag-text-descriptions, flag-original, flag-commentary, default-duration, codec-delay,\r\n"
         "    seek-pre-roll; видео: display-width, display-height, display-unit, pixel-crop-top, pixel-crop-bottom,\r\n"
         "    pixel-crop-left, pixel-crop-right, stereo-mode, colour-range, colour-primaries, colour-transfer, colour-matrix;\r\n"
         "    звук: sampling-frequency, output-sampling-frequency, channels, bit-depth\r\n"
         "  --default     трек становится треком по умолчанию своего типа (у других треков этого типа флаг снимается)\r\n"
         "  --no-default  то же, что --set flag-default=0;  --language КОД  то же, что --set language=КОД\r\n"
         "  --attach ФАЙЛ  вложить файл;  --replace-attachment N=ФАЙЛ  заменить данные вложения N (с 1);\r\n"
         "  --drop-attachment N  убрать вложение N\r\n"
         "  --json        один документ JSON с итогом по каждому файлу\r\n"
         "  -j N          сколько файлов править одновременно (по умолчанию по числу ядер)\r\n"
         "Правки применяются по порядку; каждый файл правится отдельно, по строке итога на файл.\r\n"
         "Код возврата: 0 все файлы изменены; 1 хотя бы один файл не изменён; 2 ошибка вызова.",
         {"--info", "--default", "--no-default", "--json"},
         {"--track", "--set", "--delete", "--language", "-j", "--attach", "--replace-attachment", "--drop-attachment"},
         RunEdit,
         true},
        {"export", "один трек в отдельный файл: ac3, mp3, aac, ogg, flac, wav, srt, ass/ssa, h264, hevc, ivf, mka, mks; или AVI",
         "quillon-cli export ВХОД --track N --as ТИП [-o ВЫХОД] [--overwrite]\r\n"
         "quillon-cli export ВХОД --as avi --tracks V[,A] [-o ВЫХОД] [--overwrite]\r\n"
         "quillon-cli export ВХОД [--chapters ФАЙЛ] [--chapters-ogm ФАЙЛ] [--tags ФАЙЛ] [--cues N:ФАЙЛ] [--timestamps N:ФАЙЛ]\r\n"
         "                        [--codec-private N:ФАЙЛ] [--attachments ПАПКА] [--overwrite]\r\n"
         "Выгружает один трек в отдельный файл. Без -o имя выхода подбирается рядом с входом (фильм.001.ac3).\r\n"
         "  --track N    номер трека в исходном файле\r\n"
         "  --as ТИП     ac3, mp3, flac: кадры трека как есть;  aac: AAC в ADTS;  ogg: Vorbis в Ogg;\r\n"
         "               srt: титры SRT (из текстовых и ASS/SSA);  ass, ssa: титры ASS/SSA;\r\n"
         "               wav: звук, декодированный в 16-битный PCM (PCM-трек как есть);  wav-mp3: кадры MP3 в файле WAV\r\n"
         "               h264, hevc: видео H.264 или HEVC потоком Annex B (с наборами параметров из CodecPrivate)\r\n"
         "               ivf: видео VP8, VP9 или AV1 в файле IVF;  sup: титры PGS в файле SUP\r\n"
         "               mka, mks: файл Matroska с одним этим треком\r\n"
         "               auto: свой формат кодека трека (по CodecID)\r\n"
         "  --as avi --tracks V[,A]  файл AVI из видеотрека V (V_MS/VFW/FOURCC) и звукового A (MP3, AC-3, AAC) без перекодирования\r\n"
         "  --overwrite  заменить существующий файл без вопроса\r\n"
         "Тип должен подходить треку: иначе выводится список подходящих.\r\n"
         "Другие данные файла (можно несколько за одно чтение): --chapters ФАЙЛ.xml  главы в XML Matroska;\r\n"
         "  --chapters-ogm ФАЙЛ.txt  главы текстом OGM;  --tags ФАЙЛ.xml  теги в XML Matroska;\r\n"
         "  --cues N:ФАЙЛ  точки Cues трека N;  --timestamps N:ФАЙЛ  время кадров трека N (timestamp format v2);\r\n"
         "  --codec-private N:ФАЙЛ  CodecPrivate трека N как есть;  --attachments ПАПКА  все вложения в папку\r\n"
         "Код возврата: 0 файл записан; 1 файл записан с предупреждениями (исходный файл повреждён, блоки\r\n"
         "пропущены), не записан или запись остановлена; 2 ошибка вызова или открытия файла.",
         {"--overwrite"},
         {"-o", "--track", "--as", "--tracks", "--chapters", "--chapters-ogm", "--tags", "--cues", "--timestamps",
          "--codec-private", "--attachments"},
         RunExport},
        {"timeline", "проверка времени блоков: треки, где оно идёт вспять",
         "quillon-cli timeline ФАЙЛ\r\nПроверяет, не идёт ли время блоков каждого трека вспять, и выводит отчёт по таким трекам.\r\n"
         "В видео кадры хранятся в порядке декодирования: шаг назад с B-кадрами не ошибка, пока он не длиннее 16 кадров.\r\n"
         "Исправить: remux --repair N=reorder|retime|retime-invisible|keyframes.\r\n"
         "Код возврата: 0 время всех треков идёт вперёд; 1 найдены ошибки; 2 ошибка вызова или открытия файла.",
         {},
         {},
         RunTimeline},
        {"attachments", "вложения файла: список или одно в файл",
         "quillon-cli attachments ФАЙЛ [--save N [-o ВЫХОД] [--overwrite]]\r\n"
         "Выводит по строке на вложение, через табуляцию: номер (с 1), имя, тип MIME, размер, UID, описание.\r\n"
         "  --save N     записать данные вложения N в файл (без -o: его имя в текущей папке)\r\n"
         "  --overwrite  заменить существующий файл без вопроса\r\n"
         "Код возврата: 0 готово; 1 ошибка в файле или файл не записан; 2 ошибка вызова или открытия файла.",
         {"--overwrite"},
         {"--save", "-o"},
         RunAttachments},
        {"dump", "шестнадцатеричный дамп элемента или файла",
         "quillon-cli dump ФАЙЛ [--element СТРОКА | --offset N --length N] [--width 16|24|32] [--group 4|8] [--rtf ВЫХОД [--overwrite]]\r\n"
         "Выводит дамп: смещение, байты в шестнадцатеричном виде, символы (управляющие и байты выше 7F как \".\").\r\n"
         "  --element СТРОКА  элемент целиком (до 100000 байт): номер его строки в quillon-cli tree ФАЙЛ, с 1\r\n"
         "  --offset N --length N  байты файла с N-го (по умолчанию первые 100000)\r\n"
         "  --width  байтов в строке;  --group  пустая строка после каждых 4 или 8 строк\r\n"
         "  --rtf ВЫХОД  записать дамп в RTF (заголовки элементов раскрашены) вместо вывода;  --overwrite  заменить файл без вопроса\r\n"
         "Код возврата: 0 готово; 1 элемент уже не на своём месте или файл не записан; 2 ошибка вызова или открытия файла.",
         {"--overwrite"},
         {"--element", "--offset", "--length", "--width", "--group", "--rtf"},
         RunDump},
    };
    return commands;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, TerminalHost& host) {
    std::set<std::string> flags = command.flags;
    flags.insert("--help");
    std::string bad;
    const auto parsed = Arguments::Parse(args, flags, command.valueOptions, bad);
    if (!parsed) return UsageError(command, host, bad, "неизвестный параметр или параметр без значения");
    if (parsed->Has("--help")) {
        PrintUsage(command, host, stdout);
        return kExitOk;
    }
    const auto& operands = parsed->Operands();
    if (operands.empty()) return UsageError(command, host, "", "не указан файл");
    if (operands.size() > 1 && !command.manyFiles) return UsageError(command, host, operands[1], "лишний аргумент: нужен один файл");
    return command.run(command, *parsed, host);
}

void PrintUsage(const Command& command, const Host& host, std::FILE* stream) {
    std::fprintf(stream, "%s\n", TerminalText(host.Tr(command.usage)).c_str());
    std::fprintf(stream, "%s\n", host.Tr("  --lang rus|eng  язык сообщений (по умолчанию по языку системы: LC_ALL, LC_MESSAGES, LANG)").c_str());
}

int UsageError(const Command& command, const Host& host, const std::string& what, const char* why) {
    std::string line = "quillon-cli " + std::string(command.name) + ": " + host.Tr("неверный аргумент:") + " " + what;
    if (why) line += (what.empty() ? "" : ": ") + host.Tr(why);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fprintf(stderr, "%s quillon-cli %s --help\n", host.Tr("подробнее:").c_str(), command.name);
    return kExitUsage;
}

void ExplainOpenFailure(const std::string& path, const Host& host) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), OpenFailureText(path, host).c_str());
}

int OpenForSave(Document& doc, Host& host, const std::string& path) {
    doc.sourcePath = path;
    const OpenOutcome outcome = CheckContainer(doc, host, true);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan == ScanResult::Stopped || outcome.scan == ScanResult::NoSignature ||
        outcome.scan == ScanResult::NoSegment)
        return kExitFailed;
    FinishContainerCheck(doc, host, true);
    return kGoOn;
}

int SaveExitStatus(SaveOutcome outcome, const Document& doc, const std::string& outputPath, const Host& host) {
    switch (outcome) {
        case SaveOutcome::Written:
        case SaveOutcome::WrittenWithWarnings: {
            std::printf("%s\nr e a d y\n", outputPath.c_str());
            if (outcome == SaveOutcome::Written && doc.damagedPlaces == 0) return kExitOk;
            std::printf("%s\n", host.Tr("• завершено с предупреждениями (строки журнала выше)").c_str());
            return kExitFailed;
        }
        case SaveOutcome::Stopped:
            std::printf("%s\na b o r t e d\n", outputPath.c_str());
            return kExitFailed;
        default:
            return kExitFailed;
    }
}

std::optional<unsigned> Workers(const Arguments& args, size_t files) {
    unsigned n = std::max(1u, std::thread::hardware_concurrency());
    if (const auto value = args.Value("-j")) {
        const std::optional<uint64_t> parsed = ParseUnsigned(*value);
        if (!parsed || *parsed == 0 || *parsed > 256) return std::nullopt;
        n = unsigned(*parsed);
    }
    return unsigned(std::min<size_t>(n, std::max<size_t>(files, 1)));
}

int ScanExitStatus(ScanResult result) {
    switch (result) {
        case ScanResult::Ok: return kExitOk;
        case ScanResult::Stopped: return kExitInterrupted;
        default: return kExitFailed;
    }
}

}  // namespace quillon::cli
