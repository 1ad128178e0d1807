// LAT-1 fixed: q has a value on every path.
module lat1_fixed(input en, input [3:0] d, output reg [3:0] q);
  always @* begin
    q = 4'd0;
    if (en) q = d;
  end
endmodule
