import static java.lang.foreign.ValueLayout.JAVA_BYTE;

import java.lang.foreign.MemorySegment;
import java.util.Arrays;

/**
 * The writer as a good Java engineer writes it first: a new growing buffer per document; a text's
 * length found byte by byte, then the text copied in one MemorySegment.copy; an escaped text scanned
 * for markup after the copy and rewritten only when it holds some.
 */
final class PlainXml extends FfmXml {
    PlainXml() {
        super(8192);
    }

    @Override
    void text(long address) {
        if (address == 0) return;
        long length = 0;
        while (FfmEngine.ALL.get(JAVA_BYTE, address + length) != 0) ++length;
        ensure(length);
        MemorySegment.copy(FfmEngine.ALL, JAVA_BYTE, address, buffer, size, (int) length);
        size += (int) length;
    }

    @Override
    void safeText(long address) {
        final int start = size;
        text(address);
        for (int i = start; i < size; ++i) {
            if (isMarkup(buffer[i])) {
                final byte[] rest = Arrays.copyOfRange(buffer, i, size);
                size = i;
                for (byte b : rest) escaped(b);
                return;
            }
        }
    }
}
