import static java.lang.foreign.ValueLayout.JAVA_BYTE;

import java.lang.foreign.Arena;
import java.lang.foreign.MemorySegment;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Random;

/**
 * The FFM roads for the harness (loaded by name through Ffm.load): the plain and the tuned document
 * road, and the per-call candidates of the two scalar entries.
 */
final class FfmRoads implements Ffm {
    /**
     * A caller's native buffer for a path, kept between calls: a String of ASCII characters is
     * written into it char by char, any other through MemorySegment.setString (UTF-8).
     */
    static final class KeptText {
        private final Arena arena = Arena.ofAuto();
        private MemorySegment buffer = arena.allocate(256);

        MemorySegment of(String text) {
            final int length = text.length();
            if (length < buffer.byteSize()) {
                int i = 0;
                for (char c; i < length && (c = text.charAt(i)) < 0x80; ++i) buffer.set(JAVA_BYTE, i, (byte) c);
                if (i == length) {
                    buffer.set(JAVA_BYTE, length, (byte) 0);
                    return buffer;
                }
            }
            return viaSetString(text);
        }

        /** The text through setString, as a plain caller keeping a buffer writes it. */
        MemorySegment viaSetString(String text) {
            final long needed = 3L * text.length() + 1;
            if (needed > buffer.byteSize()) buffer = arena.allocate(needed);
            buffer.setString(0, text);
            return buffer;
        }
    }

    private final FfmRoad plain = new FfmRoad(false);
    private final FfmRoad tuned = new FfmRoad(true);

    FfmRoads(String enginePath) {
        System.setProperty(FfmEngine.ENGINE_PROPERTY, enginePath);
        language();  // loads the engine and links every handle, or fails here
    }

    @Override
    public Road plain() {
        return plain;
    }

    @Override
    public Road tuned() {
        return tuned;
    }

    @Override
    public int getCurrentLanguage() {
        return language();
    }

    @Override
    public boolean hasResults(String sourceFile) {
        try (Arena arena = Arena.ofConfined()) {
            return results(arena.allocateFrom(sourceFile));
        }
    }

    @Override
    public int checkTexts() {
        final byte[] alphabet = FfmXml.bytes("ab &<>'\"yz");
        final Random random = new Random(25);
        int texts = 0;
        try (Arena arena = Arena.ofConfined()) {
            final MemorySegment block = arena.allocate(64, 8);
            for (int offset = 0; offset < 8; ++offset) {
                for (int length = 0; length <= 40; ++length) {
                    for (int trial = 0; trial < 8; ++trial) {
                        // Around the text: markup, other bytes and NULs, none of which may show.
                        for (long i = 0; i < block.byteSize(); ++i)
                            block.set(JAVA_BYTE, i, (byte) (trial % 2 == 0 ? '<' : random.nextInt(3) == 0 ? 0 : 'q'));
                        for (int i = 0; i < length; ++i)
                            block.set(JAVA_BYTE, offset + i, alphabet[random.nextInt(alphabet.length)]);
                        block.set(JAVA_BYTE, offset + length, (byte) 0);
                        final long address = block.address() + offset;
                        for (boolean escaped : new boolean[] {false, true}) {
                            final PlainXml plain = new PlainXml();
                            final TunedXml tuned = new TunedXml();
                            if (escaped) {
                                plain.safeText(address);
                                tuned.safeText(address);
                            } else {
                                plain.text(address);
                                tuned.text(address);
                            }
                            if (!Arrays.equals(plain.toBytes(), tuned.toBytes()))
                                throw new IllegalStateException(String.format(Locale.ROOT,
                                        "tuned text copy differs: offset %d, %s \"%s\" gives \"%s\"", offset,
                                        escaped ? "escaped" : "verbatim",
                                        new String(plain.toBytes(), StandardCharsets.ISO_8859_1),
                                        new String(tuned.toBytes(), StandardCharsets.ISO_8859_1)));
                            ++texts;
                        }
                    }
                }
            }
        }
        return texts;
    }

    @Override
    public List<Timing.Candidate> languageCalls() {
        return List.of(
                new Timing.Candidate("FFM downcall handle", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += language();
                    return acc;
                }),
                new Timing.Candidate("FFM downcall handle, `critical`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += languageCritical();
                    return acc;
                }));
    }

    @Override
    public List<Timing.Candidate> resultsCalls(String sourceFile) {
        final KeptText kept = new KeptText();
        final KeptText keptAscii = new KeptText();
        final byte[] heap = new byte[256];
        return List.of(
                new Timing.Candidate("FFM, a confined arena per call (`allocateFrom`)", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) {
                        try (Arena arena = Arena.ofConfined()) {
                            acc += results(arena.allocateFrom(sourceFile)) ? 1 : 0;
                        }
                    }
                    return acc;
                }),
                new Timing.Candidate("FFM, the caller's native buffer (`setString`)", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += results(kept.viaSetString(sourceFile)) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("FFM tuned, the caller's native buffer, ASCII written char by char", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += results(keptAscii.of(sourceFile)) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("FFM `critical`, the path in the caller's `byte[]`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += resultsCritical(heap, sourceFile) ? 1 : 0;
                    return acc;
                }));
    }

    private static int language() {
        try {
            return (int) FfmEngine.GET_CURRENT_LANGUAGE.invokeExact();
        } catch (Throwable t) {
            throw FfmRoad.failed(t);
        }
    }

    private static int languageCritical() {
        try {
            return (int) FfmEngine.GET_CURRENT_LANGUAGE_CRITICAL.invokeExact();
        } catch (Throwable t) {
            throw FfmRoad.failed(t);
        }
    }

    private static boolean results(MemorySegment path) {
        try {
            return (byte) FfmEngine.HAS_RESULTS.invokeExact(path) != 0;
        } catch (Throwable t) {
            throw FfmRoad.failed(t);
        }
    }

    /** The path written into `heap` with its NUL and handed over in place (short ASCII paths only). */
    private static boolean resultsCritical(byte[] heap, String path) {
        final int length = path.length();
        if (length >= heap.length) throw new IllegalArgumentException("path too long for the buffer");
        for (int i = 0; i < length; ++i) {
            final char c = path.charAt(i);
            if (c >= 0x80) throw new IllegalArgumentException("not an ASCII path");
            heap[i] = (byte) c;
        }
        heap[length] = 0;
        try {
            return (byte) FfmEngine.HAS_RESULTS_CRITICAL.invokeExact(MemorySegment.ofArray(heap)) != 0;
        } catch (Throwable t) {
            throw FfmRoad.failed(t);
        }
    }
}
