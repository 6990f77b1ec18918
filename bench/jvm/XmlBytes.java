import com.sun.jna.Pointer;

import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * The compact XML of the bridge, written by Java into a growing byte buffer from engine texts read
 * through JNA: texts are copied byte for byte from native memory straight into the buffer (no
 * String in between), so the document holds exactly the engine's bytes.
 */
final class XmlBytes {
    /** The start and end tag of one element, encoded once. */
    static final class Tag {
        final byte[] open;
        final byte[] close;

        Tag(String name) {
            open = ("<" + name + ">").getBytes(StandardCharsets.US_ASCII);
            close = ("</" + name + ">").getBytes(StandardCharsets.US_ASCII);
        }
    }

    private static final byte[] CDATA_OPEN = bytes("<![CDATA[");
    private static final byte[] CDATA_CLOSE = bytes("]]>");
    private static final byte[] AMP = bytes("&amp;");
    private static final byte[] LT = bytes("&lt;");
    private static final byte[] GT = bytes("&gt;");
    private static final byte[] APOS = bytes("&apos;");
    private static final byte[] QUOT = bytes("&quot;");

    private byte[] buffer = new byte[8192];
    private int size;

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.US_ASCII);
    }

    byte[] toBytes() {
        return Arrays.copyOf(buffer, size);
    }

    void open(Tag tag) {
        append(tag.open);
    }

    void close(Tag tag) {
        append(tag.close);
    }

    /** The engine text unchanged; a null text writes an empty element. */
    void node(Tag tag, Pointer text) {
        append(tag.open);
        text(text);
        append(tag.close);
    }

    void node(Tag tag, byte[] value) {
        append(tag.open);
        append(value);
        append(tag.close);
    }

    /** The engine text with the five markup characters replaced by entities. */
    void safeNode(Tag tag, Pointer text) {
        append(tag.open);
        final int start = size;
        text(text);
        for (int i = start; i < size; ++i) {
            if (isMarkup(buffer[i])) {
                escapeFrom(i);
                break;
            }
        }
        append(tag.close);
    }

    void cdataNode(Tag tag, Pointer text) {
        append(tag.open);
        append(CDATA_OPEN);
        text(text);
        append(CDATA_CLOSE);
        append(tag.close);
    }

    /** Signed decimal, as "%d" writes it. */
    void intNode(Tag tag, int value) {
        append(tag.open);
        ensure(11);
        long v = value;
        if (v < 0) {
            buffer[size++] = '-';
            v = -v;
        }
        int digits = 1;
        for (long rest = v / 10; rest != 0; rest /= 10) ++digits;
        for (int i = size + digits - 1; i >= size; --i, v /= 10) buffer[i] = (byte) ('0' + v % 10);
        size += digits;
        append(tag.close);
    }

    private static boolean isMarkup(byte b) {
        return b == '&' || b == '<' || b == '>' || b == '\'' || b == '"';
    }

    /** Rewrites the text from `first` (its first markup character) to the end, with entities. */
    private void escapeFrom(int first) {
        final byte[] rest = Arrays.copyOfRange(buffer, first, size);
        size = first;
        for (byte b : rest) {
            switch (b) {
                case '&': append(AMP); break;
                case '<': append(LT); break;
                case '>': append(GT); break;
                case '\'': append(APOS); break;
                case '"': append(QUOT); break;
                default:
                    ensure(1);
                    buffer[size++] = b;
            }
        }
    }

    /** The NUL-terminated text at `text`, copied straight into the buffer. */
    private void text(Pointer text) {
        if (text == null) return;
        final long length = text.indexOf(0, (byte) 0);
        ensure(length);
        text.read(0, buffer, size, (int) length);
        size += (int) length;
    }

    private void append(byte[] bytes) {
        ensure(bytes.length);
        System.arraycopy(bytes, 0, buffer, size, bytes.length);
        size += bytes.length;
    }

    private void ensure(long more) {
        final long needed = size + more;
        if (needed <= buffer.length) return;
        if (needed > Integer.MAX_VALUE - 8) throw new OutOfMemoryError("document larger than a Java array");
        buffer = Arrays.copyOf(buffer, (int) Math.max(needed, Math.min(2L * buffer.length, Integer.MAX_VALUE - 8)));
    }
}
