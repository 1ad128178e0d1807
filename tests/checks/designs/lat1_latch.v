// LAT-1: q is not assigned when en is low, so it is a latch.
module lat1_latch(input en, input [3:0] d, output reg [3:0] q);
  always @*
    if (en) q = d;
endmodule
