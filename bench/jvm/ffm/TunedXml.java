import static java.lang.foreign.ValueLayout.JAVA_BYTE;
import static java.lang.foreign.ValueLayout.JAVA_LONG;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;
import java.nio.ByteOrder;

/**
 * The writer tuned: one buffer kept between documents (only the document's own array is new), and
 * texts copied eight bytes at a time, the end and any markup found in the same pass with
 * word-at-a-time bit tricks. Words are read at addresses that are multiples of 8, so a read never
 * crosses a page boundary past a text's end (a text's first word is shifted to its first byte).
 *
 * <p>Not safe for several threads: one instance per thread.
 */
final class TunedXml extends FfmXml {
    private static final VarHandle WORDS = MethodHandles.byteArrayViewVarHandle(long[].class, ByteOrder.nativeOrder());
    private static final long ONES = 0x0101010101010101L;
    private static final long HIGHS = 0x8080808080808080L;
    private static final long AMPS = ONES * '&';
    private static final long LTS = ONES * '<';
    private static final long GTS = ONES * '>';
    private static final long APOSES = ONES * '\'';
    private static final long QUOTS = ONES * '"';

    TunedXml() {
        super(1 << 16);
    }

    /** Starts a document in the kept buffer. */
    TunedXml reset() {
        size = 0;
        return this;
    }

    @Override
    void text(long address) {
        if (address == 0) return;
        long at = address & ~7L;
        final int skip = (int) (address & 7) << 3;
        long word = FfmEngine.ALL.get(JAVA_LONG, at);
        // The bytes before the text become 0xFF past its first bytes: neither an end nor markup.
        if (skip != 0) word = word >>> skip | -1L << (64 - skip);
        int valid = 8 - (skip >>> 3);
        while (true) {
            ensure(8);
            WORDS.set(buffer, size, word);
            final long end = zeros(word);
            if (end != 0) {
                size += Long.numberOfTrailingZeros(end) >>> 3;
                return;
            }
            size += valid;
            at += 8;
            valid = 8;
            word = FfmEngine.ALL.get(JAVA_LONG, at);
        }
    }

    @Override
    void safeText(long address) {
        if (address == 0) return;
        long at = address & ~7L;
        final int skip = (int) (address & 7) << 3;
        long word = FfmEngine.ALL.get(JAVA_LONG, at);
        if (skip != 0) word = word >>> skip | -1L << (64 - skip);
        long first = address;  // the address of the word's first byte
        int valid = 8 - (skip >>> 3);
        while (true) {
            ensure(8);
            WORDS.set(buffer, size, word);
            final long end = zeros(word), markup = markup(word);
            if ((end | markup) != 0) {
                // The lowest bit of each mask is exact (false bits only follow a true one).
                final int endAt = Long.numberOfTrailingZeros(end) >>> 3;
                final int markupAt = Long.numberOfTrailingZeros(markup) >>> 3;
                if (endAt < markupAt) {
                    size += endAt;
                    return;
                }
                size += markupAt;
                escapeFrom(first + markupAt);
                return;
            }
            size += valid;
            at += 8;
            first = at;
            valid = 8;
            word = FfmEngine.ALL.get(JAVA_LONG, at);
        }
    }

    // Tags of up to 8 bytes as one word each.
    @Override
    void open(Tag tag) {
        if (tag.open.length > 8) {
            append(tag.open);
            return;
        }
        ensure(8);
        WORDS.set(buffer, size, tag.openWord);
        size += tag.open.length;
    }

    @Override
    void close(Tag tag) {
        if (tag.close.length > 8) {
            append(tag.close);
            return;
        }
        ensure(8);
        WORDS.set(buffer, size, tag.closeWord);
        size += tag.close.length;
    }

    /** The rest of a text from its first markup byte, byte by byte with entities. */
    private void escapeFrom(long address) {
        for (byte b; (b = FfmEngine.ALL.get(JAVA_BYTE, address)) != 0; ++address) escaped(b);
    }

    /** The high bit of each zero byte of `word`; above the lowest, bits may be false. */
    private static long zeros(long word) {
        return (word - ONES) & ~word & HIGHS;
    }

    private static long markup(long word) {
        return zeros(word ^ AMPS) | zeros(word ^ LTS) | zeros(word ^ GTS) | zeros(word ^ APOSES) | zeros(word ^ QUOTS);
    }
}
