import static java.lang.foreign.ValueLayout.ADDRESS;
import static java.lang.foreign.ValueLayout.JAVA_BOOLEAN;
import static java.lang.foreign.ValueLayout.JAVA_BYTE;
import static java.lang.foreign.ValueLayout.JAVA_INT;
import static java.lang.foreign.ValueLayout.JAVA_LONG;

import java.lang.foreign.Arena;
import java.lang.foreign.FunctionDescriptor;
import java.lang.foreign.Linker;
import java.lang.foreign.MemoryLayout;
import java.lang.foreign.MemorySegment;
import java.lang.foreign.StructLayout;
import java.lang.foreign.SymbolLookup;
import java.lang.invoke.MethodHandle;
import java.lang.invoke.VarHandle;
import java.nio.file.Path;

/**
 * The engine as the FFM roads see it, set up once: downcall handles and record layouts in static
 * final fields (constants to the JIT compiler), and one segment over all of the process's memory
 * that every record and text is read from at its address. The engine library is the one named by
 * the system property {@value #ENGINE_PROPERTY}, read when this class is first used.
 *
 * <p>Pointer slots are read as addresses (JAVA_LONG) into that segment: a zero-length
 * MemorySegment per pointer would only be reinterpreted again.
 */
final class FfmEngine {
    static final String ENGINE_PROPERTY = "vorlan.bench.engine";

    /** All of the process's memory: records and texts are read at their addresses. */
    static final MemorySegment ALL = MemorySegment.NULL.reinterpret(Long.MAX_VALUE);

    private static final Linker LINKER = Linker.nativeLinker();
    private static final SymbolLookup ENGINE =
            SymbolLookup.libraryLookup(Path.of(System.getProperty(ENGINE_PROPERTY)), Arena.global());

    static final MethodHandle GET_CURRENT_LANGUAGE = downcall("getCurrentLanguage", FunctionDescriptor.of(JAVA_INT));
    /** The same entry as a critical function: no thread-state transition, for calls as short as an empty one. */
    static final MethodHandle GET_CURRENT_LANGUAGE_CRITICAL = downcall("getCurrentLanguage",
            FunctionDescriptor.of(JAVA_INT), Linker.Option.critical(false));
    // The engine answers one byte (unsigned char).
    static final MethodHandle HAS_RESULTS = downcall("hasResults", FunctionDescriptor.of(JAVA_BYTE, ADDRESS));
    /** Critical with heap access: the path may be handed over in a Java byte[]. */
    static final MethodHandle HAS_RESULTS_CRITICAL = downcall("hasResults", FunctionDescriptor.of(JAVA_BYTE, ADDRESS),
            Linker.Option.critical(true));

    static final MethodHandle GET_DIAGNOSTICS = downcall("getDiagnostics",
            FunctionDescriptor.of(JAVA_INT, ADDRESS, ADDRESS, ADDRESS, JAVA_INT, ADDRESS));
    static final MethodHandle FREE_DIAGNOSTICS = downcall("freeDiagnostics", FunctionDescriptor.of(JAVA_INT, ADDRESS));
    static final MethodHandle GET_RULE_GROUPS = downcall("getRuleGroups", FunctionDescriptor.of(JAVA_INT, ADDRESS));
    static final MethodHandle FREE_RULE_GROUPS = downcall("freeRuleGroups", FunctionDescriptor.of(JAVA_INT, ADDRESS));
    static final MethodHandle GET_MESSAGE_RULE_MAP = downcall("getMessageRuleMap", FunctionDescriptor.of(JAVA_INT, ADDRESS));
    static final MethodHandle FREE_MESSAGE_RULE_MAP = downcall("freeMessageRuleMap", FunctionDescriptor.of(JAVA_INT, ADDRESS));
    static final MethodHandle GET_TREES = downcall("getTrees",
            FunctionDescriptor.of(JAVA_INT, ADDRESS, JAVA_BOOLEAN, JAVA_INT, ADDRESS));
    static final MethodHandle FREE_TREES = downcall("freeTrees", FunctionDescriptor.of(JAVA_INT, ADDRESS));

    // ---- record layouts (engine/Ko*.h) --------------------------------------------------------

    /** A counted array: a 32-bit count, then its elements from byte 8. */
    static final StructLayout COUNTED = MemoryLayout.structLayout(
            JAVA_INT.withName("count"), JAVA_INT.withName("reserved"));
    static final VarHandle COUNT = field(COUNTED, "count");
    static final long ITEMS = COUNTED.byteSize();

    static final StructLayout MESSAGE = MemoryLayout.structLayout(
            JAVA_LONG.withName("uniqueMessageId"), JAVA_LONG.withName("helpFileLocation"),
            JAVA_INT.withName("level"), MemoryLayout.paddingLayout(4),
            JAVA_LONG.withName("messageNumber"), JAVA_LONG.withName("messageText"),
            JAVA_LONG.withName("producer"), JAVA_LONG.withName("references"));
    static final VarHandle MESSAGE_ID = field(MESSAGE, "uniqueMessageId");
    static final VarHandle MESSAGE_HELP = field(MESSAGE, "helpFileLocation");
    static final VarHandle MESSAGE_LEVEL = field(MESSAGE, "level");
    static final VarHandle MESSAGE_NUMBER = field(MESSAGE, "messageNumber");
    static final VarHandle MESSAGE_TEXT = field(MESSAGE, "messageText");
    static final VarHandle MESSAGE_PRODUCER = field(MESSAGE, "producer");
    static final VarHandle MESSAGE_REFERENCES = field(MESSAGE, "references");

    static final StructLayout DIAGNOSTIC = MemoryLayout.structLayout(
            JAVA_LONG.withName("message"), JAVA_BYTE.withName("hasSubDiagnostics"), JAVA_BYTE.withName("multiHomed"),
            MemoryLayout.paddingLayout(2), JAVA_INT.withName("suppressionState"),
            JAVA_LONG.withName("subDiagnostics"), JAVA_LONG.withName("parameters"), JAVA_LONG.withName("locations"));
    static final VarHandle DIAGNOSTIC_MESSAGE = field(DIAGNOSTIC, "message");
    static final VarHandle DIAGNOSTIC_HAS_SUBS = field(DIAGNOSTIC, "hasSubDiagnostics");
    static final VarHandle DIAGNOSTIC_MULTI_HOMED = field(DIAGNOSTIC, "multiHomed");
    static final VarHandle DIAGNOSTIC_SUPPRESSION = field(DIAGNOSTIC, "suppressionState");
    static final VarHandle DIAGNOSTIC_SUBS = field(DIAGNOSTIC, "subDiagnostics");
    static final VarHandle DIAGNOSTIC_PARAMETERS = field(DIAGNOSTIC, "parameters");
    static final VarHandle DIAGNOSTIC_LOCATIONS = field(DIAGNOSTIC, "locations");

    static final StructLayout LOCATION = MemoryLayout.structLayout(
            JAVA_LONG.withName("file"), JAVA_INT.withName("line"), JAVA_INT.withName("column"));
    static final VarHandle LOCATION_FILE = field(LOCATION, "file");
    static final VarHandle LOCATION_LINE = field(LOCATION, "line");
    static final VarHandle LOCATION_COLUMN = field(LOCATION, "column");

    static final StructLayout RULE_GROUP = MemoryLayout.structLayout(
            JAVA_LONG.withName("name"), JAVA_LONG.withName("rules"));
    static final VarHandle GROUP_NAME = field(RULE_GROUP, "name");
    static final VarHandle GROUP_RULES = field(RULE_GROUP, "rules");

    static final StructLayout RULE = MemoryLayout.structLayout(
            JAVA_LONG.withName("ruleGroupStr"), JAVA_LONG.withName("helpFileLocation"), JAVA_LONG.withName("ruleId"),
            JAVA_LONG.withName("ruleText"), JAVA_BYTE.withName("isActive"), MemoryLayout.paddingLayout(7),
            JAVA_LONG.withName("ruleUID"), JAVA_LONG.withName("childRules"), JAVA_LONG.withName("mappedMessages"),
            JAVA_LONG.withName("categories"));
    static final VarHandle RULE_GROUP_STR = field(RULE, "ruleGroupStr");
    static final VarHandle RULE_HELP = field(RULE, "helpFileLocation");
    static final VarHandle RULE_ID = field(RULE, "ruleId");
    static final VarHandle RULE_TEXT = field(RULE, "ruleText");
    static final VarHandle RULE_ACTIVE = field(RULE, "isActive");
    static final VarHandle RULE_UID = field(RULE, "ruleUID");
    static final VarHandle RULE_CHILDREN = field(RULE, "childRules");
    static final VarHandle RULE_CATEGORIES = field(RULE, "categories");

    /** A message's rule identifiers follow its head inline, from byte 16. */
    static final StructLayout MAPPING = MemoryLayout.structLayout(
            JAVA_LONG.withName("uniqueMessageId"), JAVA_INT.withName("count"), JAVA_INT.withName("reserved"));
    static final VarHandle MAPPING_ID = field(MAPPING, "uniqueMessageId");
    static final VarHandle MAPPING_COUNT = field(MAPPING, "count");

    static final StructLayout TREE_ITEM = MemoryLayout.structLayout(
            JAVA_INT.withName("type"), MemoryLayout.paddingLayout(4), JAVA_LONG.withName("name"),
            JAVA_LONG.withName("data"), JAVA_INT.withName("total"), JAVA_INT.withName("active"),
            JAVA_LONG.withName("subItems"));
    static final VarHandle TREE_TYPE = field(TREE_ITEM, "type");
    static final VarHandle TREE_NAME = field(TREE_ITEM, "name");
    static final VarHandle TREE_DATA = field(TREE_ITEM, "data");
    static final VarHandle TREE_TOTAL = field(TREE_ITEM, "total");
    static final VarHandle TREE_ACTIVE = field(TREE_ITEM, "active");
    static final VarHandle TREE_SUBS = field(TREE_ITEM, "subItems");

    static final StructLayout TREES = MemoryLayout.structLayout(
            JAVA_LONG.withName("fileTree"), JAVA_LONG.withName("ruleTree"), JAVA_LONG.withName("messageTree"));
    static final VarHandle FILE_TREE = field(TREES, "fileTree");
    static final VarHandle RULE_TREE = field(TREES, "ruleTree");
    static final VarHandle MESSAGE_TREE = field(TREES, "messageTree");

    private FfmEngine() {}

    /** The element count of the counted array at `array`; 0 for none. */
    static int count(long array) {
        return array == 0 ? 0 : (int) COUNT.get(ALL, array);
    }

    /** Element `i` (an address) of the counted array at `array`. */
    static long item(long array, int i) {
        return ALL.get(JAVA_LONG, array + ITEMS + 8L * i);
    }

    private static MethodHandle downcall(String name, FunctionDescriptor descriptor, Linker.Option... options) {
        final MemorySegment entry = ENGINE.find(name)
                .orElseThrow(() -> new IllegalStateException("the engine exports no " + name));
        return LINKER.downcallHandle(entry, descriptor, options);
    }

    /** The field's handle: (segment, record address) to the field's value. */
    private static VarHandle field(StructLayout layout, String name) {
        return layout.varHandle(MemoryLayout.PathElement.groupElement(name));
    }
}
